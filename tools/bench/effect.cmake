zq_bench(EffectBench SOURCES ../bench/effect_bench.cpp LIBS zq_effects zq_utility_effect)

zq_bench(AnimationBench SOURCES ../bench/animation_bench.cpp LIBS zq_utility_animation)

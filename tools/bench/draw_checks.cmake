zq_bench(DrawCheckBench SOURCES ../bench/draw_checks_bench.cpp LIBS zq_d3d9)

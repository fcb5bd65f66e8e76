zq_bench(MeshPrepBench SOURCES ../bench/meshprep_bench.cpp LIBS zq_mesh)

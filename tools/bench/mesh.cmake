zq_bench(MeshBench SOURCES ../bench/mesh_bench.cpp LIBS zq_utility_mesh)

zq_bench(XFileBench SOURCES ../bench/xfile_bench.cpp LIBS zq_tools_models)

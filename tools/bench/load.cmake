# Whole-process loading: tools/bench/load-bench runs it on every model.
add_executable(LoadBench load_bench.cpp)
target_link_libraries(LoadBench PRIVATE zq_tools_models zq_mesh zq_tools_common ZLIB::ZLIB)

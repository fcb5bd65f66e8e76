zq_bench(FrameBench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/frame_bench.cpp LIBS zq_app)

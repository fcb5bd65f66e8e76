zq_bench(FrameBench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/frame_bench.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/animated_tube.cpp LIBS zq_app zq_tools_models)

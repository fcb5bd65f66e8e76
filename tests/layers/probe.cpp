// One include, built against one layer's library by layers_test.cmake.
#include ZQ_PROBE_HEADER

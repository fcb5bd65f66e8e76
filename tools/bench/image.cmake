zq_bench(ImageBench SOURCES ../bench/image_bench.cpp LIBS zq_utility_image)

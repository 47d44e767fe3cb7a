# What the picture of docs/architecture.md shows (scripts/architecture.sh
# copies this beside the build as CMakeGraphVizOptions.cmake): Velkaro's own
# libraries and programs, not the tests, benchmarks, stand-in sites or
# third-party libraries.
set(GRAPHVIZ_GRAPH_NAME "Velkaro")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_CUSTOM_TARGETS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "_tests$" "^gui_" "_bench$" "sitesim" "_fuzz$" "^fuzz_" "make_fuzz_seeds" "velkaro_icon"
    "render_icon")

# The house's layering, kept by the linker. For each layer one small program links the layer's
# whole archive (every object, used or not) against only the layers below it and its own outside
# libraries: a call from the layer into a higher one stays unresolved and fails the build.
# Built with everything else; there is nothing to run. cp1252 is the codec split off platform,
# below it.
set(VORNIX2_LAYERS cp1252 platform foundation gateway contacts sms exchange app)
set(VORNIX2_LAYERCHECK_MAIN ${PROJECT_BINARY_DIR}/layercheck_main.cpp)
file(CONFIGURE OUTPUT ${VORNIX2_LAYERCHECK_MAIN} CONTENT "int main() { return 0; }\n")
foreach(layer IN LISTS VORNIX2_LAYERS)
    add_executable(layercheck_${layer} ${VORNIX2_LAYERCHECK_MAIN})
    set_target_properties(layercheck_${layer} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/layercheck)
    target_link_libraries(layercheck_${layer} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,vornix2_${layer}>")
endforeach()

# Every executable linked with the core carries the program's version
# information (see version/CMakeLists.txt).
add_subdirectory(${PROJECT_SOURCE_DIR}/version ${PROJECT_BINARY_DIR}/version)
target_link_libraries(speckwash_core INTERFACE sw_version_resource)

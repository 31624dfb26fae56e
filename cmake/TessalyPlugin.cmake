# tessaly_add_plugin(<Name> SOURCES <file>... [LIBRARIES <lib>...] [OUTPUT_DIRECTORY <dir>])
#
# Makes the file-format plug-in <Name>.fll: a shared module in build/bin/plugins/, where the
# file-I/O loader looks for plug-ins (OUTPUT_DIRECTORY puts one elsewhere, e.g. a plug-in that
# only tests use and the loader must not find). The global property TESSALY_PLUGINS lists the
# plug-ins of the plug-in folder, for targets that need every one built. The module
#   - exports exactly GetPlugInfo and GetPlugStruct (platform/plugin_abi/plugin_exports.map),
#     which the test plugins.<Name>.exported_symbols checks in every build;
#   - links zanPltfm and LIBRARIES, and in ordinary builds refuses undefined symbols at link
#     time, so a missing function shows up at build time rather than when the loader opens it.
# The sources are compiled once into the object library <Name>_objects, which carries the same
# include paths and libraries: unit tests and fuzzers link it to call the plug-in's code
# directly (GetPlugStruct included) without loading the module.
set(TESSALY_PLUGIN_DIRECTORY ${PROJECT_BINARY_DIR}/bin/plugins)
set(TESSALY_PLUGIN_EXPORT_MAP ${PROJECT_SOURCE_DIR}/platform/plugin_abi/plugin_exports.map)

function(tessaly_add_plugin name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT_DIRECTORY" "SOURCES;LIBRARIES")
  if(NOT arg_SOURCES)
    message(FATAL_ERROR "tessaly_add_plugin(${name}): SOURCES is required")
  endif()
  if(NOT arg_OUTPUT_DIRECTORY)
    set(arg_OUTPUT_DIRECTORY ${TESSALY_PLUGIN_DIRECTORY})
    set_property(GLOBAL APPEND PROPERTY TESSALY_PLUGINS ${name})
  endif()

  add_library(${name}_objects OBJECT ${arg_SOURCES})
  target_link_libraries(${name}_objects PUBLIC plugin_abi zanPltfm ${arg_LIBRARIES})

  add_library(${name} MODULE)
  target_link_libraries(${name} PRIVATE ${name}_objects)
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".fll"
    LIBRARY_OUTPUT_DIRECTORY ${arg_OUTPUT_DIRECTORY}
    LINK_DEPENDS ${TESSALY_PLUGIN_EXPORT_MAP})
  target_link_options(${name} PRIVATE "LINKER:--version-script=${TESSALY_PLUGIN_EXPORT_MAP}")
  # Sanitizer runtimes leave symbols for the executable to provide, so only ordinary builds
  # can insist on none being undefined.
  if(NOT TESSALY_SANITIZE AND NOT TESSALY_FUZZ)
    target_link_options(${name} PRIVATE "LINKER:-z,defs")
  endif()

  add_test(NAME plugins.${name}.exported_symbols
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/check_exports.sh $<TARGET_FILE:${name}>
            GetPlugInfo GetPlugStruct)
endfunction()

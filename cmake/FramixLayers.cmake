# One static library per folder of src/, each linking only the folders below it.
#
#   framix_add_layer(<target> FOLDER <folder under src> [LAYERS <framix targets below>...]
#                    [LIBS <other libraries>...])
#
# The layers a folder may include are the folder itself and, transitively, every layer it links.
# Each library carries a check, run before its sources compile, that every include naming a file of
# src/ stays within them: an upward include fails the build instead of linking by chance.
set(FRAMIX_LAYER_CHECK ${CMAKE_CURRENT_LIST_DIR}/FramixLayerCheck.cmake)

function(framix_add_layer target)
  cmake_parse_arguments(L "" "FOLDER" "LAYERS;LIBS" ${ARGN})
  set(dir ${PROJECT_SOURCE_DIR}/src/${L_FOLDER})
  # Non-recursive: a sub-folder (media/gst) is a layer of its own.
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h ${dir}/*.qrc)
  list(FILTER srcs EXCLUDE REGEX ".*/main\\.cpp$")

  set(allowed ${L_FOLDER})
  foreach(dep ${L_LAYERS})
    get_target_property(dep_allowed ${dep} FRAMIX_LAYER_FOLDERS)
    list(APPEND allowed ${dep_allowed})
  endforeach()
  list(REMOVE_DUPLICATES allowed)

  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.layers.stamp)
  list(JOIN allowed "," allowed_arg)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DFOLDER=${L_FOLDER} -DALLOWED=${allowed_arg} -DSRC_ROOT=${PROJECT_SOURCE_DIR}/src
            -DSTAMP=${stamp} -P ${FRAMIX_LAYER_CHECK}
    DEPENDS ${srcs} ${FRAMIX_LAYER_CHECK}
    COMMENT "Checking the includes of src/${L_FOLDER} against its layers"
    VERBATIM)

  add_library(${target} STATIC ${srcs} ${stamp})
  set_target_properties(${target} PROPERTIES FRAMIX_LAYER_FOLDERS "${allowed}")
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${L_LAYERS} ${L_LIBS} PRIVATE framix_options)
endfunction()

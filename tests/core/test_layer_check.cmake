# Runs the build's include check (cmake/FramixLayerCheck.cmake) on a small source tree made here:
# an include of a layer below passes, an include of a layer above fails and names the file, and a
# header outside src/ (Qt, the system) or beside the file is never taken for a layer.
#   cmake -DCHECK=<FramixLayerCheck.cmake> -DWORK=<scratch folder> -P test_layer_check.cmake
file(REMOVE_RECURSE ${WORK})
set(src ${WORK}/src)
file(WRITE ${src}/core/Low.h "#pragma once\n")
file(WRITE ${src}/capture/High.h "#pragma once\n")
file(WRITE ${src}/media/gst/Gst.h "#pragma once\n")
file(WRITE ${src}/media/Mid.cpp "#include \"media/gst/Gst.h\"\n#include \"core/Low.h\"\n#include <QObject>\n#include \"Local.h\"\n")
file(WRITE ${src}/media/gst/Bad.cpp "#include \"core/Low.h\"\n  #  include \"media/Mid.h\"\n")
file(WRITE ${src}/media/Mid.h "#pragma once\n")
file(WRITE ${src}/core/Up.cpp "#include \"capture/High.h\" // a deliberate upward include\n")

function(run_check folder allowed expect_ok)
  execute_process(COMMAND ${CMAKE_COMMAND} -DFOLDER=${folder} -DALLOWED=${allowed} -DSRC_ROOT=${src}
                          -DSTAMP=${WORK}/stamp -P ${CHECK}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expect_ok AND NOT rc EQUAL 0)
    message(FATAL_ERROR "src/${folder} should pass with ${allowed}:\n${err}")
  endif()
  if(NOT expect_ok AND rc EQUAL 0)
    message(FATAL_ERROR "src/${folder} should fail with ${allowed}")
  endif()
  set(last_error "${err}" PARENT_SCOPE)
endfunction()

# media may include media/gst and core.
run_check(media "media,media/gst,core" TRUE)
# The thin GStreamer layer may not include media above it, even with leading blanks in the line.
run_check(media/gst "media/gst,core" FALSE)
if(NOT last_error MATCHES "src/media/gst/Bad.cpp includes \"media/Mid.h\"")
  message(FATAL_ERROR "the failure does not name the include:\n${last_error}")
endif()
# core may include nothing above it.
run_check(core "core" FALSE)
if(NOT last_error MATCHES "src/core/Up.cpp includes \"capture/High.h\"")
  message(FATAL_ERROR "the failure does not name the include:\n${last_error}")
endif()
file(REMOVE_RECURSE ${WORK})

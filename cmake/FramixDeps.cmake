set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets DBus Test)
find_package(PkgConfig REQUIRED)
pkg_check_modules(GST REQUIRED IMPORTED_TARGET
  gstreamer-1.0>=1.22 gstreamer-base-1.0 gstreamer-app-1.0 gstreamer-video-1.0
  gstreamer-audio-1.0 gstreamer-pbutils-1.0)
find_package(JPEG REQUIRED)

# QScintilla ships no CMake package: find its library and headers by hand.
find_path(QSCINTILLA_INCLUDE_DIR Qsci/qsciscintilla.h
  PATHS /usr/include/x86_64-linux-gnu/qt6 /usr/include/qt6 ${Qt6_DIR}/../../../include/qt6)
find_library(QSCINTILLA_LIBRARY NAMES qscintilla2_qt6)
if(NOT QSCINTILLA_INCLUDE_DIR OR NOT QSCINTILLA_LIBRARY)
  message(FATAL_ERROR "QScintilla for Qt 6 not found: run scripts/install-deps.sh")
endif()
add_library(QScintilla::QScintilla UNKNOWN IMPORTED)
set_target_properties(QScintilla::QScintilla PROPERTIES
  IMPORTED_LOCATION ${QSCINTILLA_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${QSCINTILLA_INCLUDE_DIR})

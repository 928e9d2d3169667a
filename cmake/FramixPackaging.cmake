# The Debian package (scripts/package.sh runs CPack). The libraries the program links come from
# dpkg-shlibdeps on the installed binary; the GStreamer plugins it loads at run time (demuxers,
# decoders, the DV splitter, the JPEG and audio sinks) are named here, since nothing links them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME framix)
set(CPACK_PACKAGE_VENDOR Vardo)
set(CPACK_PACKAGE_CONTACT "Vardo <framix@vardo.fr>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "extract still images from video")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://vardo.fr/framix/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, gstreamer1.0-libav, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS gstreamer1.0-alsa)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Framix grabs the frame on screen from a video into a BMP or JPEG file, with the right\n aspect, deinterlaced, with the time stamp or the DV recording date burnt in.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The package holds what `cmake --install` installs for the program, not the test tools.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)

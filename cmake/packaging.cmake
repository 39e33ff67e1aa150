# The Debian package, made with `cpack -G DEB` in a build folder: both programs, the Python module
# (when built), the examples, the README, the desktop entry, the MIME type of scheme files and the
# icon, installed under /usr.
# The libraries the programs link are found by dpkg-shlibdeps (dpkg-dev, with `file`); what they
# load at run time by name is declared here: the fonts the raster canvas asks fontconfig for and
# Qt's Russian texts.
install(FILES README.md DESTINATION share/doc/lumirastra)

set(CPACK_PACKAGE_NAME lumirastra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "LumiRastra developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ray tracer for planar optical schemes")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "LumiRastra traces a deterministic ray bundle through the elements of a planar optical\n"
    "scheme (*.ops) and shows the scheme with every ray, a spot diagram per element and a\n"
    "diagnostics log. lumirastra is the desktop program, lumirastra-trace traces without a\n"
    "display and writes the log and the windows as PNG files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(LUMIRASTRA_DESKTOP)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-dejavu-core, qt6-translations-l10n")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-dejavu-core")
endif()
if(LUMIRASTRA_PYTHON)
  # The module is built for one minor version of the interpreter.
  math(EXPR LUMI_PYTHON_NEXT_MINOR "${Python3_VERSION_MINOR} + 1")
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         ", python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), "
         "python3 (<< ${Python3_VERSION_MAJOR}.${LUMI_PYTHON_NEXT_MINOR}), python3-numpy")
endif()
include(CPack)

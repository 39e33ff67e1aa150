# The Python module's prerequisites: Debian's own interpreter (/usr/bin/python3, which sees
# Debian's NumPy and Dask; the python3 first on PATH may be another installation that does not),
# its development files, NumPy and pybind11. LUMIRASTRA_PYTHON is on by default when they are all
# found. The sanitized builds leave the module out: a module loaded into an interpreter that was
# not built with the sanitizers cannot carry their runtime.
set(LUMI_PYTHON_FOUND OFF)
if(NOT LUMIRASTRA_SANITIZE AND NOT LUMIRASTRA_TSAN)
  set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The interpreter the module is built for")
  find_package(Python3 COMPONENTS Interpreter Development.Module NumPy)
  set(PYBIND11_NOPYTHON ON)  # Python is found above, the one named
  find_package(pybind11 CONFIG QUIET)
  if(Python3_FOUND AND Python3_NumPy_FOUND AND pybind11_FOUND)
    set(LUMI_PYTHON_FOUND ON)
  endif()
endif()
option(LUMIRASTRA_PYTHON "Build the Python module lumirastra (pybind11, NumPy)" ${LUMI_PYTHON_FOUND})
if(LUMIRASTRA_PYTHON AND NOT LUMI_PYTHON_FOUND)
  message(FATAL_ERROR "LUMIRASTRA_PYTHON needs /usr/bin/python3 with its development files, NumPy "
                      "and pybind11, and no sanitizer")
endif()

if(LUMIRASTRA_PYTHON)
  # The libraries are linked into the module, a shared object.
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # Calls within the libraries stay direct and inlinable, as without -fPIC.
    add_compile_options(-fno-semantic-interposition)
  endif()
  # The system Python's package folder: Debian's own under /usr, the local one elsewhere.
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(LUMI_PYTHON_DIR_DEFAULT lib/python3/dist-packages)
  else()
    set(LUMI_PYTHON_DIR_DEFAULT
        lib/python${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}/dist-packages)
  endif()
  set(LUMIRASTRA_PYTHON_DIR ${LUMI_PYTHON_DIR_DEFAULT} CACHE PATH
      "Where cmake --install puts the module, under the prefix")
endif()

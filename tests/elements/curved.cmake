# Tests of the curved elements, the grating, the focal plane and the cylindrical lens.
lumi_test(test_curved_elements
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/spherical_mirror_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lenses_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/focal_plane_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/grating_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cylindrical_lens_test.cpp
  LIBS lumi_tracing)

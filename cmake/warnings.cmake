# Warning and sanitizer flags shared by every target of the project.
add_library(lumi_warnings INTERFACE)
target_compile_options(lumi_warnings INTERFACE -Wall -Wextra)
# -Wpsabi warns that a vector passed by value would be passed differently with AVX or AVX-512
# than without. The elements' steps on lanes (tracing/lane_math.h, tracing/lanes.h) are always
# inlined into the entries of a sweep, so no such vector ever crosses a call.
target_compile_options(lumi_warnings INTERFACE -Wno-psabi)

if(LUMIRASTRA_SANITIZE)
  set(LUMI_SANITIZE_FLAGS -fsanitize=address,undefined,float-cast-overflow
                          -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(lumi_warnings INTERFACE ${LUMI_SANITIZE_FLAGS})
  target_link_options(lumi_warnings INTERFACE ${LUMI_SANITIZE_FLAGS})
endif()

if(LUMIRASTRA_TSAN)
  set(LUMI_TSAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
  target_compile_options(lumi_warnings INTERFACE ${LUMI_TSAN_FLAGS})
  target_link_options(lumi_warnings INTERFACE ${LUMI_TSAN_FLAGS})
endif()

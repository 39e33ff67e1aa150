# Warning and sanitizer flags shared by every target of the project.
add_library(lumi_warnings INTERFACE)
target_compile_options(lumi_warnings INTERFACE -Wall -Wextra)
# -Wpsabi warns that a 512-bit vector passed by value would be passed differently with AVX-512
# than without. The code on lanes (tracing/lanes.h) is always inlined into its entries, so no such
# vector ever crosses a call.
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

# One warning level for the whole tree, errors on warnings with GCC and Clang.
add_library(tlv_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(tlv_warnings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
                                                -Wold-style-cast -Wcast-align -Woverloaded-virtual)
  if(TLV_WERROR)
    target_compile_options(tlv_warnings INTERFACE -Werror)
  endif()
endif()

if(TLV_SANITIZE)
  string(REPLACE ";" "," _tlv_san "${TLV_SANITIZE}")
  add_compile_options(-fsanitize=${_tlv_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_tlv_san})
endif()

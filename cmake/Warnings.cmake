# Warning flags shared by every target of both builds.
add_compile_options(-Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)
if(VELTRANE_WERROR)
  add_compile_options(-Werror)
endif()

# Compiler flags shared by every target of the project.
#
# The codec's coded bits must not depend on the machine or the compiler:
# no fast-math, and no contraction of a*b+c into a fused multiply-add.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
                    -ffp-contract=off -fno-fast-math)
if(TARN_WERROR)
  add_compile_options(-Werror)
endif()
if(TARN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

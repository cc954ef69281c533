# One INTERFACE target carries the language level, warnings and safety defines
# for every target of the project. The language level and the warnings are
# also kept as variables, for the compile steps that cannot use a target (the
# collector's mingw-w64 commands).
set(VANTREL_CXX_STANDARD 20)
set(VANTREL_WARNINGS
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion
  -Wnon-virtual-dtor -Woverloaded-virtual
  -Wimplicit-fallthrough)
if(VANTREL_WERROR)
  list(APPEND VANTREL_WARNINGS -Werror)
endif()

add_library(vantrel_common INTERFACE)
target_compile_features(vantrel_common INTERFACE cxx_std_${VANTREL_CXX_STANDARD})
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(vantrel_common INTERFACE ${VANTREL_WARNINGS})
# Every Chinese literal handed to Qt must say how it is encoded.
target_compile_definitions(vantrel_common INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_NO_URL_CAST_FROM_STRING)
if(VANTREL_SANITIZE)
  target_compile_options(vantrel_common INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(vantrel_common INTERFACE -fsanitize=address,undefined)
endif()

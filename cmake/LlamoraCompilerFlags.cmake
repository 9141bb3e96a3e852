# Compiler and Qt flags shared by every target of the project.
option(LLAMORA_WERROR "Treat compiler warnings as errors" OFF)

add_library(llamora_compiler_flags INTERFACE)
target_compile_features(llamora_compiler_flags INTERFACE cxx_std_20)
target_compile_options(llamora_compiler_flags INTERFACE -Wall -Wextra -Wpedantic
    $<$<BOOL:${LLAMORA_WERROR}>:-Werror>)
# Strict Qt: no silent conversions between QString and raw bytes, no narrowing in connect().
target_compile_definitions(llamora_compiler_flags INTERFACE
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
    QT_USE_QSTRINGBUILDER
    QT_DISABLE_DEPRECATED_BEFORE=0x060400)

# The hardening and stripping Debian builds its packages with, for Release builds:
# buffer-overflow checks in the C library's functions, stack protectors, position-independent
# executables and a read-only relocation table bound at start. Sanitizer and fuzzing builds
# manage their own.
if(CMAKE_BUILD_TYPE STREQUAL "Release" AND NOT EVEDA_SANITIZE AND NOT EVEDA_FUZZ)
  add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2 -fstack-protector-strong)
  # -fPIE rather than CMake's -fPIC for the static libraries: they only ever go into
  # executables, and -fPIC would keep GCC from inlining across the drawing code's functions.
  # Targets that ask for PIC themselves (Qt's) keep it.
  add_compile_options($<$<NOT:$<BOOL:$<TARGET_PROPERTY:POSITION_INDEPENDENT_CODE>>>:-fPIE>)
  add_link_options($<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-pie>
    -Wl,-z,relro,-z,now)
endif()

# Installed programs lose their symbols and the compiler's notes, as dh_strip leaves them.
# Set before the programs' folders, whose install rules read it.
set(CMAKE_STRIP ${CMAKE_CURRENT_LIST_DIR}/strip.sh)

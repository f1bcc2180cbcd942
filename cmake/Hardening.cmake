# Hardening for every program, as Debian builds its own packages: a stack protector, glibc's
# checked variants of memcpy, sprintf and the like, and a relocation table that is read-only and
# bound at start (full RELRO, BIND_NOW). The compiler makes position-independent executables by
# default. Fortified calls need optimisation (glibc warns without it) and get in the sanitizers'
# way, so they are left out of unoptimised and sanitizer builds.
option(CORVANE_HARDENING "Build with stack protection, fortified libc calls and full RELRO" ON)

if(CORVANE_HARDENING)
  add_compile_options(-fstack-protector-strong)
  if(CORVANE_SANITIZE STREQUAL "" AND NOT CORVANE_BUILD_FUZZ)
    add_compile_options($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
  endif()
  add_link_options(LINKER:-z,relro,-z,now)
endif()

# Third-party dependencies of the product, the host and the tests.
find_package(Threads REQUIRED)
if(WIN32)
  # libpng and zlib are cross-built statically into QV_MINGW_DEPS by scripts/build-mingw-deps.
  set(QV_MINGW_DEPS "" CACHE PATH "Prefix of the cross-built static libraries")
  if(QV_MINGW_DEPS)
    list(APPEND CMAKE_FIND_ROOT_PATH ${QV_MINGW_DEPS})
    list(APPEND CMAKE_PREFIX_PATH ${QV_MINGW_DEPS})
  endif()
else()
  find_package(PkgConfig REQUIRED)
  find_package(X11 REQUIRED)
endif()

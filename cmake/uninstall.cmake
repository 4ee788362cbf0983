# Removes what an install wrote: every file named in MANIFEST (written by
# cmake --install, without the DESTDIR), under $DESTDIR when that is set,
# then the package's directories they leave empty. Run as:
#   [DESTDIR=...] cmake -DMANIFEST=path/install_manifest.txt -P uninstall.cmake
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "no install manifest at ${MANIFEST}: nothing was installed from this build")
endif()
file(STRINGS "${MANIFEST}" files)
list(TRANSFORM files PREPEND "$ENV{DESTDIR}")
foreach(f ${files})
  if(EXISTS "${f}" OR IS_SYMLINK "${f}")
    message(STATUS "removing ${f}")
    file(REMOVE "${f}")
  endif()
endforeach()
# The package's own directories (share/doc/vorn) go when empty.
foreach(f ${files})
  get_filename_component(dir "${f}" DIRECTORY)
  get_filename_component(leaf "${dir}" NAME)
  if(leaf STREQUAL "vorn" AND IS_DIRECTORY "${dir}")
    file(GLOB left "${dir}/*")
    if(NOT left)
      file(REMOVE_RECURSE "${dir}")
    endif()
  endif()
endforeach()

# Run by CPack before it packs: the packaged statusviewer lies in /usr/bin beside the library's
# folder the loader searches anyway, so the RUNPATH a plain install needs is removed.
file(GLOB binaries ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/usr/bin/*)
foreach(binary IN LISTS binaries)
  file(RPATH_REMOVE FILE ${binary})
endforeach()

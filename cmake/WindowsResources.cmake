# parvex_windows_resources(TARGET NAME DESCRIPTION): on Windows, gives TARGET a version resource
# (version ${PROJECT_VERSION}) and a manifest that asks for per-monitor DPI awareness and UTF-8
# as the process's code page. Does nothing elsewhere.
function(parvex_windows_resources target name description)
  if(NOT WIN32)
    return()
  endif()
  set(PARVEX_RC_NAME ${name})
  set(PARVEX_RC_FILE_NAME ${name}.exe)
  set(PARVEX_RC_DESCRIPTION ${description})
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${name}_resources)
  set(PARVEX_RC_MANIFEST ${dir}/${name}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/parvex.manifest.in ${PARVEX_RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/parvex.rc.in ${dir}/${name}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${name}.rc)
  if(MSVC)
    # The linker embeds a manifest listed among the sources.
    target_sources(${target} PRIVATE ${PARVEX_RC_MANIFEST})
  else()
    set_source_files_properties(${dir}/${name}.rc PROPERTIES COMPILE_DEFINITIONS PARVEX_EMBED_MANIFEST)
  endif()
endfunction()

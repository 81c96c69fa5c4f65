# Run by CPack on the staged files before it packs them: drops the
# compiler's .comment and .note sections from every ELF file, as Debian's
# own packages do (CPack's stripping keeps them).
if(NOT CPACK_QUILLO_OBJCOPY)
  message(FATAL_ERROR "no objcopy to strip the packaged files with")
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND ${CPACK_QUILLO_OBJCOPY} --remove-section=.comment --remove-section=.note "${file}"
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "could not strip ${file}")
    endif()
  endif()
endforeach()

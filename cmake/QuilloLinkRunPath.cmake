# Links a program whose build-tree run path differs from its installed one,
# without the empty entries CMake pads the build run path with (the loader
# reads an empty entry as the current folder, so any folder the program is
# started from could supply its libraries).
#
# Used as the target's linker launcher:
#   cmake -DQUILLO_BUILD_RUN_PATH=$ORIGIN -P QuilloLinkRunPath.cmake -- <link command>
# The program is linked with its installed run path, which reserves room for
# it; the build tree's copy is then narrowed to QUILLO_BUILD_RUN_PATH (the
# rest of the room is zero bytes, which end the string), and the install
# rules widen the installed copy back (QuilloInstall.cmake).
if(NOT DEFINED QUILLO_BUILD_RUN_PATH)
  message(FATAL_ERROR "QUILLO_BUILD_RUN_PATH is not set")
endif()

set(command)
set(output)
set(in_command OFF)
set(output_follows OFF)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  set(argument "${CMAKE_ARGV${i}}")
  if(in_command)
    list(APPEND command "${argument}")
    if(output_follows)
      set(output "${argument}")
      set(output_follows OFF)
    elseif(argument STREQUAL "-o")
      set(output_follows ON)
    endif()
  elseif(argument STREQUAL "--")
    set(in_command ON)
  endif()
endforeach()
if(NOT command OR NOT output)
  message(FATAL_ERROR "no link command with -o OUTPUT after --")
endif()

execute_process(COMMAND ${command} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${output}")
  message(FATAL_ERROR "linking ${output} failed")
endif()
file(RPATH_SET FILE "${output}" NEW_RPATH "${QUILLO_BUILD_RUN_PATH}")

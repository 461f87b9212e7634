# Lays the files of one folder into another, each only where the other has nothing of
# that name yet (a file, a folder or a link, even a broken one): the build uses it to put
# the sample kit into the program folder without ever replacing the operator's own files.
#   cmake -DFROM=kit-folder -DTO=program-folder -P lay_missing.cmake
if(NOT FROM OR NOT TO)
  message(FATAL_ERROR "lay_missing.cmake needs FROM and TO")
endif()
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${FROM}" "${FROM}/*")
foreach(name IN LISTS files)
  set(target "${TO}/${name}")
  if(EXISTS "${target}" OR IS_SYMLINK "${target}")
    continue()
  endif()
  get_filename_component(folder "${target}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${FROM}/${name}" "${target}")
  message(STATUS "Laid ${name} into ${TO}")
endforeach()

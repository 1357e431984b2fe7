# Puts the starter profiles (profiles/profile_*.ini) into DEST, beside the program, where no
# profile of that name is yet: a profile the user has saved is never replaced.
#   cmake -DSRC=<profiles folder> -DDEST=<program folder> -P starter_profiles.cmake
file(GLOB profiles "${SRC}/profile_*.ini")
foreach(profile IN LISTS profiles)
  get_filename_component(name "${profile}" NAME)
  if(NOT EXISTS "${DEST}/${name}")
    file(COPY "${profile}" DESTINATION "${DEST}")
  endif()
endforeach()

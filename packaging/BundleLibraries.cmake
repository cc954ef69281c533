# Install step of the release folder: copies Qt's plugins into lib/, then
# the libraries the program and the plugins load, except the base libraries
# every Linux desktop has (BaseLibraries.cmake says why each is one), and
# points every copied file at lib/ so that no system Qt is ever picked up.
include(${CMAKE_CURRENT_LIST_DIR}/BaseLibraries.cmake)

set(lib "${VANTREL_FOLDER}/lib")
file(MAKE_DIRECTORY "${lib}")

# Plugins: the X11 platform (and offscreen, for a start without display),
# its GL integrations, the input methods Chinese is typed with, and the
# image formats.
set(plugin_globs
  platforms/libqxcb.so platforms/libqoffscreen.so
  xcbglintegrations/*.so platforminputcontexts/*.so imageformats/*.so)
set(plugins)
foreach(pattern ${plugin_globs})
  file(GLOB found "${VANTREL_QT_PLUGINS}/${pattern}")
  foreach(plugin ${found})
    file(RELATIVE_PATH relative "${VANTREL_QT_PLUGINS}" "${plugin}")
    get_filename_component(folder "${relative}" DIRECTORY)
    file(MAKE_DIRECTORY "${lib}/${folder}")
    file(COPY_FILE "${plugin}" "${lib}/${relative}")
    list(APPEND plugins "${lib}/${relative}")
  endforeach()
endforeach()
if(NOT EXISTS "${lib}/platforms/libqxcb.so")
  message(FATAL_ERROR "Qt's xcb platform plugin was not found in ${VANTREL_QT_PLUGINS}")
endif()

file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES "${VANTREL_FOLDER}/vantrel"
  LIBRARIES ${plugins}
  RESOLVED_DEPENDENCIES_VAR resolved
  UNRESOLVED_DEPENDENCIES_VAR unresolved
  PRE_EXCLUDE_REGEXES ${VANTREL_BASE_LIBRARIES}
  POST_EXCLUDE_REGEXES "^${VANTREL_FOLDER}/")
if(unresolved)
  message(FATAL_ERROR "libraries not found: ${unresolved}")
endif()
foreach(library ${resolved})
  get_filename_component(name "${library}" NAME)
  file(COPY_FILE "${library}" "${lib}/${name}")
  file(CHMOD "${lib}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endforeach()

# Each copy looks for its own dependencies in lib/ first.
file(GLOB copied "${lib}/*.so*")
foreach(file ${copied})
  execute_process(COMMAND "${VANTREL_PATCHELF}" --force-rpath --set-rpath "\$ORIGIN" "${file}"
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "patchelf failed on ${file}")
  endif()
endforeach()
foreach(file ${plugins})
  execute_process(COMMAND "${VANTREL_PATCHELF}" --force-rpath --set-rpath "\$ORIGIN/.." "${file}"
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "patchelf failed on ${file}")
  endif()
endforeach()

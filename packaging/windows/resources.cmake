# Icon and version resource of a Windows program: what Explorer shows in the
# file's properties and on the desktop link.
set(KELMORA_WINDOWS_DIR ${CMAKE_CURRENT_LIST_DIR})
function(kelmora_windows_resource target name description)
  set(KELMORA_RC_NAME ${name})
  set(KELMORA_RC_DESCRIPTION ${description})
  set(KELMORA_RC_ICON ${KELMORA_WINDOWS_DIR}/kelmoradiagnose.ico)
  string(REPLACE "." "," KELMORA_RC_VERSION_COMMAS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
  set(rc ${CMAKE_BINARY_DIR}/resources/${target}.rc)
  configure_file(${KELMORA_WINDOWS_DIR}/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# cmake -P step of installer/CMakeLists.txt: stages stripped copies of FILES
# in STAGE, runs makensis on SCRIPT and prints the sizes.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
foreach(f ${FILES})
  get_filename_component(name ${f} NAME)
  if(name MATCHES "\\.(exe|cpl)$")
    execute_process(COMMAND ${STRIP} --strip-all -o ${STAGE}/${name} ${f} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "strip ${f} failed")
    endif()
    file(SIZE ${STAGE}/${name} size)
    math(EXPR kb "(${size} + 1023) / 1024")
    message(STATUS "stripped ${name}: ${size} bytes (${kb} KB)")
  else()
    file(COPY ${f} DESTINATION ${STAGE})
  endif()
endforeach()

execute_process(COMMAND ${MAKENSIS} -V2 -DVERSION=${VERSION} -DVERSION4=${VERSION4} -DICON=${ICON}
    -DSTAGE=${STAGE} -DOUTFILE=${OUTFILE} ${SCRIPT}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "makensis failed")
endif()
file(SIZE ${OUTFILE} size)
math(EXPR kb "(${size} + 1023) / 1024")
get_filename_component(name ${OUTFILE} NAME)
message(STATUS "setup program ${name}: ${size} bytes (${kb} KB)")

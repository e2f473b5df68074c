# Finds what the Python module needs: an interpreter that can import numpy, its headers, and
# pybind11. Sets TG_PYTHON_FOUND. -DPython3_EXECUTABLE=... picks the interpreter; otherwise the
# first `python3` that has numpy wins, the one on PATH before the system's (a PATH that starts
# with a version manager's interpreter without numpy still finds Debian's python3-numpy).
set(TG_PYTHON_FOUND OFF)
if(NOT Python3_EXECUTABLE)
  find_program(TG_PATH_PYTHON NAMES python3 NO_CACHE)
  foreach(candidate ${TG_PATH_PYTHON} /usr/bin/python3)
    if(EXISTS ${candidate})
      execute_process(COMMAND ${candidate} -c "import numpy" RESULT_VARIABLE has_numpy
                      OUTPUT_QUIET ERROR_QUIET)
      if(has_numpy EQUAL 0)
        set(Python3_EXECUTABLE ${candidate} CACHE FILEPATH "The Python interpreter of the module")
        break()
      endif()
    endif()
  endforeach()
endif()
if(Python3_EXECUTABLE)
  find_package(Python3 COMPONENTS Interpreter Development.Module NumPy QUIET)
  if(Python3_FOUND AND Python3_NumPy_FOUND)
    # pybind11 takes the interpreter found above.
    find_package(pybind11 CONFIG QUIET)
    if(pybind11_FOUND)
      set(TG_PYTHON_FOUND ON)
    endif()
  endif()
endif()
if(NOT TG_PYTHON_FOUND)
  message(STATUS "Python module: not built (needs pybind11-dev, python3-dev and python3-numpy)")
endif()

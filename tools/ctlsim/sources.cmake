# Sources of ctlsim, relative to the project root; also compiled with the host compiler by the
# Windows build, whose end-to-end tests need the simulator.
set(TK_CTLSIM_SOURCES
  tools/ctlsim/main.cpp
  tools/ctlsim/sim_controller.cpp
  library/frame.cpp)

# The module side of the monitor port.
target_sources(quelvar_sim PRIVATE ${CMAKE_CURRENT_LIST_DIR}/monitor_session.cpp)

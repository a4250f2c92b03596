# The units the control object wires in: loading the engine, the events, the
# defaults cache and the fonts. Included from this folder's CMakeLists.txt.
add_library(control_units STATIC
    engine_link.cpp
    control_events.cpp
    defaults_cache.cpp
    control_fonts.cpp
    font_change_sink.cpp
    wang_import.cpp)
target_include_directories(control_units PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(control_units PUBLIC comkit engine_interface wang_format ole32 oleaut32 uuid user32 gdi32)

# The recording fake engine (built as inkcore7.dll in a folder of its own,
# FAKE_ENGINE_DIR) and the tests of the units against it.
add_subdirectory(tests/fake_engine)
add_subdirectory(tests/units)
# The control DLL itself with the fake engine beside it.
add_subdirectory(tests/fake_engine_control)
# The Wang/Oi import with the real engine.
add_subdirectory(tests/wang)

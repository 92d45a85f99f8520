# Programs for the tests of the remote configuration tasks and the slide
# show.
add_executable(remote_tasks programs/remote_tasks_main.cc)
target_link_libraries(remote_tasks PRIVATE kelmor_installer)
target_link_options(remote_tasks PRIVATE -municode -mconsole)
add_dependencies(unit_tests remote_tasks)

add_executable(slide_window programs/slide_window_main.cc)
target_link_libraries(slide_window PRIVATE kelmor_installer)
target_link_options(slide_window PRIVATE -municode -mwindows)
add_dependencies(unit_tests slide_window)

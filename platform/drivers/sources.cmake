# The driver and remote access factories, what every remote access reads the screen through, the
# compositor of the drivers that show windows without a window server, and the headless driver.
target_sources(ceplatform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/driver_factory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/remote_factory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/screen_image.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_compositor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/headless/control_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/headless/control_server.cpp
    ${CMAKE_CURRENT_LIST_DIR}/headless/headless_driver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/headless/ppm.cpp)

# The x11 driver.
target_sources(ceplatform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_connection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_cursors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_display_driver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_driver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_event_thread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_foreign_windows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_input.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_pixel_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_randr.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_screen_capture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_shm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_window_image.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_window_texts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_xtest.cpp)

# The kms driver.
target_sources(ceplatform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/kms/kms_buffer_damage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kms/kms_buffers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kms/kms_console.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kms/kms_device.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kms/kms_display_driver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kms/kms_input.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kms/kms_input_translator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kms/kms_keys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kms/kms_pixel_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kms/kms_scanout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kms/kms_seat.cpp)

# Remote access from the kernel: the scanout through DRM or fbdev, a uinput pointer.
target_sources(ceplatform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/kernel/device_error.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kernel/drm_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kernel/drm_scanout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kernel/fbdev_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kernel/fbdev_scanout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kernel/kernel_remote.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kernel/pointer_events.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kernel/scanout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kernel/uinput_description.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kernel/uinput_device.cpp)

# The Windows tree cannot run what it builds, so its build-time tools (the
# skin painter, the sample firmware writer and the catalogue tool that signs
# the samples) are built and run natively in a nested host build of this
# same source tree. The Windows presets point both Windows trees (and the
# 64-bit tree's 32-bit one) at one such build, so the core is compiled
# natively once; the trees are then built one after another, never at once.
include(ExternalProject)

set(UPDATER_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools CACHE PATH
    "The nested host build of the build-time tools; Windows trees may share one")
set(UPDATER_ART_DIR ${UPDATER_HOST_TOOLS_DIR}/skins)
set(UPDATER_SAMPLE_FILES_DIR ${UPDATER_HOST_TOOLS_DIR}/dist/files)

set(art ${UPDATER_ART_DIR}/app.ico)
foreach(skin 143 145 146 147 148 150 151 152 153 154 155 156 157 158 160 161 162 163 164 168)
  list(APPEND art ${UPDATER_ART_DIR}/skin_${skin}.skin ${UPDATER_ART_DIR}/skin_${skin}_150.skin
       ${UPDATER_ART_DIR}/skin_${skin}_200.skin)
endforeach()

ExternalProject_Add(host_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${UPDATER_HOST_TOOLS_DIR}
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DUPDATER_TOOLS_ONLY=ON
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target skins sample_firmware
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${art} ${UPDATER_HOST_TOOLS_DIR}/tools/sample_firmware.stamp
)

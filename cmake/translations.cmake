# SPDX-License-Identifier: GPL-3.0-or-later
# Translations. Every build writes the catalogue template, every text the
# program marks for translation, to translations/pelmorix.ts in the build
# folder. A language is a file translations/pelmorix_<language>.ts in the
# source tree: the build compiles it into the program folder's translations/,
# the install puts it into share/pelmorix/translations/, and the target
# px_update_translations brings the language files up to date with the code.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(px_translated_sources app/main.cpp)
foreach(dir ui engine ifs movies attractors platform formulas)
  file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  list(APPEND px_translated_sources ${found})
endforeach()
list(TRANSFORM px_translated_sources PREPEND ${CMAKE_SOURCE_DIR}/ REGEX "^app/")

set(PX_TRANSLATION_TEMPLATE ${CMAKE_BINARY_DIR}/translations/pelmorix.ts)
add_custom_command(OUTPUT ${PX_TRANSLATION_TEMPLATE}
                   COMMAND Qt6::lupdate -silent -no-obsolete -source-language en -locations relative
                           -I ${CMAKE_SOURCE_DIR} ${px_translated_sources} -ts ${PX_TRANSLATION_TEMPLATE}
                   DEPENDS ${px_translated_sources} VERBATIM)
add_custom_target(px_translation_template ALL DEPENDS ${PX_TRANSLATION_TEMPLATE})

file(GLOB px_languages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/translations/pelmorix_*.ts)
if(px_languages)
  set_source_files_properties(${px_languages} PROPERTIES OUTPUT_LOCATION ${PX_PROGRAM_DIR}/translations)
  qt6_add_lrelease(pelmorix TS_FILES ${px_languages} QM_FILES_OUTPUT_VARIABLE px_qm_files)
  install(FILES ${px_qm_files} DESTINATION ${PX_DATA_INSTALL_DIR}/translations)
  add_custom_target(px_update_translations
                    COMMAND Qt6::lupdate -no-obsolete -locations relative -I ${CMAKE_SOURCE_DIR}
                            ${px_translated_sources} -ts ${px_languages}
                    DEPENDS ${px_translated_sources} VERBATIM)
endif()

if(PX_BUILD_TESTS)
  add_test(NAME Translations.TemplateHoldsTheProgramTexts
           COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${PX_TRANSLATION_TEMPLATE}
                   -P ${CMAKE_SOURCE_DIR}/tests/package/translation_template.cmake)
endif()

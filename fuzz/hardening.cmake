# Decoders, files and the boot loader's answers: everything the keypad, the loader or a file
# hands the utility.
echovane_add_fuzzer(fuzz_decoders SOURCES decoders_fuzz.cpp LIBS echovane_keypad)
echovane_add_fuzzer(fuzz_product_marker SOURCES product_marker_fuzz.cpp LIBS echovane_firmware)
echovane_add_fuzzer(fuzz_ini SOURCES ini_fuzz.cpp LIBS echovane_config)
echovane_add_fuzzer(fuzz_replay_values SOURCES replay_values_fuzz.cpp LIBS echovane_config)
echovane_add_fuzzer(fuzz_ti_txt SOURCES ti_txt_fuzz.cpp LIBS echovane_firmware)
echovane_add_fuzzer(fuzz_ble_manufacturer SOURCES ble_manufacturer_fuzz.cpp LIBS echovane_ble)
echovane_add_fuzzer(fuzz_bsl_reply SOURCES bsl_reply_fuzz.cpp LIBS echovane_bsl430 echovane_emulator)

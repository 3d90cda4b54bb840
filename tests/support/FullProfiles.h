// Two profiles that differ from each other, and from the simulator's start-up reader, in every
// key: applying them by turns makes every apply a full one. Shared by the benches.
#pragma once

inline constexpr const char* FULL_PROFILES[2] = {
    R"json({"tessaro_profile": 1, "settings": {
  "output_format": "RS232", "card_input_format": "8H10D", "enter": "No enter",
  "line_feed": "Line Feed", "baud_rate": 115200, "data_bits": 7, "stop_bits": 2,
  "parity": "EVEN", "qr_output_format": "Hexadecimal", "reset_interval": "24 hours",
  "working_mode": "Single mode", "horn": "Open", "light": "Detect the light",
  "barcode_prefix": {"text": "QR:"}, "barcode_suffix": {"hex": "0d0a"},
  "card_prefix": {"text": "ID"}, "card_suffix": {"text": "X"}, "card_output_format": "ASCII",
  "wiegand_high_pulse_us": 1000, "wiegand_low_pulse_us": 200,
  "wiegand_output_order": "Reverse order", "card_number_format": "Hexadecimal", "start_bit": 5}})json",
    R"json({"tessaro_profile": 1, "settings": {
  "output_format": "RS485", "card_input_format": "6H10D", "enter": "Enter",
  "line_feed": "No Line Feed", "baud_rate": 19200, "data_bits": 8, "stop_bits": 1,
  "parity": "ODD", "qr_output_format": "ASCII", "reset_interval": "12 hours",
  "working_mode": "Interval mode", "horn": "Close", "light": "turn on",
  "barcode_prefix": {"text": "B:"}, "barcode_suffix": {"text": "!"},
  "card_prefix": {"text": "C"}, "card_suffix": {"text": "Y"}, "card_output_format": "hex",
  "wiegand_high_pulse_us": 1500, "wiegand_low_pulse_us": 300,
  "wiegand_output_order": "In order", "card_number_format": "2H3D+4H5D", "start_bit": 7}})json",
};

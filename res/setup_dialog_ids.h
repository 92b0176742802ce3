// Control ids of the setup dialog (template 130).
#pragma once

inline constexpr int IDC_PORT1 = 1003;
inline constexpr int IDC_BAUDRATE1 = 1005;
inline constexpr int IDC_PORT2 = 1006;
inline constexpr int IDC_BAUDRATE2 = 1007;
inline constexpr int IDC_DATABIT1 = 1008;
inline constexpr int IDC_DATABIT2 = 1009;
inline constexpr int IDC_STOPBIT1 = 1010;
inline constexpr int IDC_STOPBIT2 = 1011;
inline constexpr int IDC_PARITY1 = 1012;
inline constexpr int IDC_PARITY2 = 1013;
inline constexpr int IDC_DISABLE = 1017;
inline constexpr int IDC_MEMSIZE = 1018;
inline constexpr int IDC_POLLTIME = 1019;
// Port B's group box and its five labels.
inline constexpr int IDC_PORTB_GROUP = 1024;
inline constexpr int IDC_PORTB_PORT_LABEL = 1025;
inline constexpr int IDC_PORTB_BAUDRATE_LABEL = 1026;
inline constexpr int IDC_PORTB_DATABITS_LABEL = 1027;
inline constexpr int IDC_PORTB_STOPBIT_LABEL = 1028;
inline constexpr int IDC_PORTB_PARITY_LABEL = 1029;

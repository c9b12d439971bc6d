+27821234567
4321
K71 Morvane functions
Arm all zonesşARM
Disarm all zonesşDISARM
Ask for statusşSTATUS
Switch output 1 onşOUT1 ON
Switch output 1 offşOUT1 OFF


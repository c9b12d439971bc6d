+27731112222
1111
Contactid functions
ArmşARM
DisarmşDISARM
StatusşSTAT
Send a test reportşTEST


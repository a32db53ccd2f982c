; A small PIC16 program for the loader tests: the reset vector, the version word, the interrupt
; vector, a routine, a table high in program memory and a configuration word (which lies outside
; the firmware image). Version 31.05, an SMT build.
        __CONFIG 0x31C4
        ORG     0
        goto    start
        ORG     3
        DW      0x051F
        ORG     4
        retfie
start   movlw   0xAB
        retlw   0x55
        ORG     0x7F8
        DW      0x1234, 0x2345, 0x3456
        END

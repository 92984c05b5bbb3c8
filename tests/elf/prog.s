! A console program for the links of CliTest: code that jumps within itself, constants, data
! that points into the uninitialised part.
	.text
	.global start
start:	mov.l 1f, r0
	jmp @r0
	nop
	.global other
other:	rts
	nop
	.align 2
1:	.long other
	.section .rodata
	.ascii "SEGA SEGASATURN "
	.data
	.long 0x12345678, table
	.bss
table:	.space 64

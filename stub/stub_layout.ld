/* Section layout of the stub. Three sections instead of the usual six, so
   that the headers fit in one 512-byte file block and fewer sections are
   padded to the file alignment:
     .text   code, read-only data and the import tables (read, execute;
             the loader makes the import address table writable itself)
     .data   the few initialised variables and the zero-initialised state
             (read, write; the zero part takes no file space)
     .rsrc   the resources, last: the payload runs from the marker's data
             to the end of the file.
   The stub has no C runtime to run global constructors, so a constructor
   or destructor list that is not empty fails the link. */
OUTPUT_FORMAT(pei-i386)
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + (__section_alignment__ < 0x1000 ? . : __section_alignment__) :
  {
    *(.text)
    *(SORT(.text$*))
    *(.text.*)
    ___CTOR_LIST__ = .;
    __CTOR_LIST__ = .;
    KEEP(*(.ctors))
    KEEP(*(.ctor))
    KEEP(*(SORT_BY_NAME(.ctors.*)))
    ___DTOR_LIST__ = .;
    __DTOR_LIST__ = .;
    KEEP(*(.dtors))
    KEEP(*(.dtor))
    KEEP(*(SORT_BY_NAME(.dtors.*)))
    __DTOR_END__ = .;
    *(.rdata)
    *(SORT(.rdata$*))
    /* The import tables. Outside an output section named .idata the linker
       fills the import and import-address-table directories only from the
       four symbols ".idata$2", "$4", "$5" and "$6", read as RVAs; they are
       defined below the section from the addresses marked here. */
    . = ALIGN(4);
    __stub_idata2 = .;
    KEEP(SORT(*)(.idata$2))
    KEEP(SORT(*)(.idata$3))
    /* These zeroes end the import descriptor list. */
    LONG(0); LONG(0); LONG(0); LONG(0); LONG(0);
    __stub_idata4 = .;
    KEEP(SORT(*)(.idata$4))
    __stub_idata5 = .;
    __IAT_start__ = .;
    KEEP(SORT(*)(.idata$5))
    __IAT_end__ = .;
    __stub_idata6 = .;
    KEEP(SORT(*)(.idata$6))
    KEEP(SORT(*)(.idata$7))
  }
  ".idata$2" = ABSOLUTE(__stub_idata2) - __image_base__;
  ".idata$4" = ABSOLUTE(__stub_idata4) - __image_base__;
  ".idata$5" = ABSOLUTE(__stub_idata5) - __image_base__;
  ".idata$6" = ABSOLUTE(__stub_idata6) - __image_base__;
  ASSERT(__DTOR_LIST__ == __CTOR_LIST__ && __DTOR_END__ == __DTOR_LIST__,
         "the stub has global constructors or destructors, which nothing would run")
  .data BLOCK(__section_alignment__) :
  {
    *(.data)
    *(.data2)
    *(SORT(.data$*))
    *(.bss)
    *(COMMON)
  }
  /DISCARD/ :
  {
    *(.debug$S)
    *(.debug$T)
    *(.debug$F)
    *(.drectve)
    *(.note.GNU-stack)
    *(.gnu.lto_*)
    *(.eh_frame*)
  }
  .rsrc BLOCK(__section_alignment__) : SUBALIGN(4)
  {
    KEEP(*(.rsrc))
    KEEP(*(.rsrc$*))
  }
}

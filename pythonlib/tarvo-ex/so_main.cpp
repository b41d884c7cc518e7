// Build banner: the entry point used when _tarvo.so is executed as a program.
// The interpreter's import never reaches it; it only runs through the ELF
// entry set on the module target (-Wl,-e,so_main) and the .interp record below.
#include <patchlevel.h>  // PY_VERSION of the headers the module is built against

#include <cstdio>
#include <cstdlib>

// Program interpreter that lets the kernel run this shared object directly.
extern "C" __attribute__((used, section(".interp"))) const char tarvo_ex_interp[] =
    "/lib64/ld-linux-x86-64.so.2";

#define TARVO_EX_PROJECT "tarvo python extension for tarvo2"
#define TARVO_EX_VERSION "tarvo-ex 1.2.2.0"
#define TARVO_EX_CVS "tarvo/pythonlib/tarvo-ex"
#define TARVO_EX_CVSTAG "tarvo-ex_1-2-2-0_RELEASE"

// Entered straight from the loader: the stack is not aligned for a call and
// none of this object's constructors have run, so it does no more than
// printf and exit (exit flushes stdout).
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void so_main(void) {
  printf("LdSo      : %s\n", tarvo_ex_interp);
  printf("Project   : %s\n", TARVO_EX_PROJECT);
  printf("Version   : %s python version:%s \n", TARVO_EX_VERSION, PY_VERSION);
  printf("CVS       : %s\n", TARVO_EX_CVS);
  printf("CVSTag    : %s\n", TARVO_EX_CVSTAG);
  printf("BuildDate : %s\n", __DATE__ " " __TIME__);
  exit(0);
}

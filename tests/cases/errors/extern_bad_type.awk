# Unknown C types and void parameters in extern declarations.
extern foo bar()
extern int f(void x)
extern unsigned double g(int)

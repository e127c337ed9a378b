/* The reference side, compiled as C against libf2c's own header. */
#include "libf2c_side.h"

#include <errno.h>
#include <string.h>

#include <f2c.h>

/* libf2c's entry points, as f2c-translated code declares them. */
extern void f_init(void);
extern integer f_open(olist* a);
extern integer f_clos(cllist* a);
extern integer s_wsle(cilist* a);
extern integer e_wsle(void);
extern integer s_rsle(cilist* a);
extern integer e_rsle(void);
extern integer do_lio(ftnint* type, ftnint* number, char* ptr, ftnlen len);
extern integer s_wsfe(cilist* a);
extern integer e_wsfe(void);
extern integer s_rsfe(cilist* a);
extern integer e_rsfe(void);
extern integer do_fio(ftnint* number, char* ptr, ftnlen len);
extern void f__fatal(int n, const char* s);

/* libf2c's main (weak in the shared library) is not used: the test has its own
   and calls f_init() itself, but the library still wants a main program. */
int MAIN__(void);
int MAIN__(void) { return 0; }

/* Type codes of do_lio. */
enum { kTyLong = 3, kTyReal = 4, kTyDreal = 5, kTyChar = 9 };

/* The statement in progress: libf2c keeps a pointer to it until it ends. */
static cilist g_io;
static ftnint g_one = 1;

/* libf2c's free-format statements do not set the "sequential" word of their
   report's "lately" line; they keep the one of the last fixed-format
   statement, and before any they say "direct". The program's first statement
   is a fixed-format write (the prompt), so one is made here too, to a scratch
   unit on /dev/null. */
void lf_start(void) {
    static const char null_name[] = "/dev/null";
    f_init();
    lf_open(99, null_name, (int)(sizeof null_name - 1), "unknown");
    lf_fmt_write_begin(99, "(I1)");
    lf_fmt_write_end();
    lf_close(99);
}

void lf_open(int unit, const char* name, int name_len, const char* status) {
    olist o;
    memset(&o, 0, sizeof o);
    o.oerr = 0;
    o.ounit = unit;
    o.ofnm = (char*)name;
    o.ofnmlen = name_len;
    o.osta = (char*)status;
    (void)f_open(&o);
}

void lf_close(int unit) {
    cllist c;
    memset(&c, 0, sizeof c);
    c.cunit = unit;
    (void)f_clos(&c);
}

static void begin(int unit, const char* field_list, int has_end_branch) {
    memset(&g_io, 0, sizeof g_io);
    g_io.cierr = 0;
    g_io.ciunit = unit;
    g_io.ciend = has_end_branch;
    g_io.cifmt = (char*)field_list;
}

static void lio(ftnint type, void* p, ftnlen len) { (void)do_lio(&type, &g_one, (char*)p, len); }

void lf_list_write_begin(int unit) {
    begin(unit, 0, 0);
    (void)s_wsle(&g_io);
}
void lf_list_write_int(int v) {
    integer x = v;
    lio(kTyLong, &x, (ftnlen)sizeof x);
}
void lf_list_write_real(float v) {
    real x = v;
    lio(kTyReal, &x, (ftnlen)sizeof x);
}
void lf_list_write_double(double v) {
    doublereal x = v;
    lio(kTyDreal, &x, (ftnlen)sizeof x);
}
void lf_list_write_text(const char* s, int len) { lio(kTyChar, (void*)s, (ftnlen)len); }
void lf_list_write_end(void) { (void)e_wsle(); }

void lf_fmt_write_begin(int unit, const char* field_list) {
    begin(unit, field_list, 0);
    (void)s_wsfe(&g_io);
}
void lf_fmt_write_real(float v) {
    real x = v;
    (void)do_fio(&g_one, (char*)&x, (ftnlen)sizeof x);
}
void lf_fmt_write_double(double v) {
    doublereal x = v;
    (void)do_fio(&g_one, (char*)&x, (ftnlen)sizeof x);
}
void lf_fmt_write_end(void) { (void)e_wsfe(); }

static ftnint lio_type(char kind) {
    return kind == 'i' ? kTyLong : kind == 'r' ? kTyReal : kTyChar;
}
static ftnlen var_len(const struct lf_var* v) {
    return v->kind == 'i' ? (ftnlen)sizeof(integer) : v->kind == 'r' ? (ftnlen)sizeof(real) : (ftnlen)v->len;
}

/* As f2c translates READ(unit,*,END=n): each call's non-zero result jumps to
   the branch; without END= the results are not looked at. */
int lf_list_read(int unit, const struct lf_var* vars, int count, int has_end_branch) {
    int k;
    begin(unit, 0, has_end_branch);
    if (s_rsle(&g_io) != 0 && has_end_branch) return 1;
    for (k = 0; k < count; ++k) {
        ftnint type = lio_type(vars[k].kind);
        if (do_lio(&type, &g_one, (char*)vars[k].p, var_len(&vars[k])) != 0 && has_end_branch) return 1;
    }
    if (e_rsle() != 0 && has_end_branch) return 1;
    return 0;
}

void lf_fmt_read(int unit, const char* field_list, const struct lf_var* vars, int count) {
    int k;
    begin(unit, field_list, 0);
    (void)s_rsfe(&g_io);
    for (k = 0; k < count; ++k) (void)do_fio(&g_one, (char*)vars[k].p, var_len(&vars[k]));
    (void)e_rsfe();
}

void lf_fatal(int n, const char* context) {
    errno = n;
    f__fatal(n, context);
}

/* The reference side of the differential test: the same statements carried
   out by libf2c, the Fortran-to-C runtime whose record rules our layer follows.
   Only this test links libf2c; the program never does. */
#ifndef ZEPLO_DIFF_LIBF2C_SIDE_H
#define ZEPLO_DIFF_LIBF2C_SIDE_H

#ifdef __cplusplus
extern "C" {
#endif

/* Connects libf2c's console units (0, 5, 6) and makes the first fixed-format
   statement, as the program does. Call once, before anything else. */
void lf_start(void);

/* Opens `name` (name_len characters, trailing blanks dropped by libf2c) on
   `unit` with the given status word; a failure ends the process with libf2c's
   report. */
void lf_open(int unit, const char* name, int name_len, const char* status);
void lf_close(int unit);

/* One free-format write statement: begin, values, end. */
void lf_list_write_begin(int unit);
void lf_list_write_int(int v);
void lf_list_write_real(float v);
void lf_list_write_double(double v);
void lf_list_write_text(const char* s, int len);
void lf_list_write_end(void);

/* One fixed-format write statement. */
void lf_fmt_write_begin(int unit, const char* field_list);
void lf_fmt_write_real(float v);
void lf_fmt_write_double(double v);
void lf_fmt_write_end(void);

/* A variable of a read statement: kind 'i' (int), 'r' (float), 'c' (len characters). */
struct lf_var {
    char kind;
    void* p;
    int len;
};

/* One free-format read statement. Returns 0 when it completed, 1 when the
   end-of-file branch was taken (only with has_end_branch). Without the branch
   every failure ends the process with libf2c's report. */
int lf_list_read(int unit, const struct lf_var* vars, int count, int has_end_branch);

/* One fixed-format read statement, without error or end-of-file branch. */
void lf_fmt_read(int unit, const char* field_list, const struct lf_var* vars, int count);

/* libf2c's fatal report for error number n in the step `context`; errno is set
   to n first, as the report of a system error prints errno's text. Ends the
   process. */
void lf_fatal(int n, const char* context);

#ifdef __cplusplus
}
#endif

#endif

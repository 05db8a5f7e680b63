// Stands in for the user's e-mail client: notes in its working directory how it was started,
// its command line and how its window is to be shown.
#include <windows.h>

#include <cstdio>

int main() {
    STARTUPINFOA startup{};
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    FILE* out = fopen("mail_handler.txt", "wb");
    if (!out)
        return 1;
    fprintf(out, "%s\nshow %d\n", GetCommandLineA(), show);
    fclose(out);
    return 0;
}

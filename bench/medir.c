/* Runs a command and writes to FILE its wall time and the CPU time (user +
 * system) of it and its children, in seconds to the microsecond, and its
 * peak resident memory in kilobytes:
 *   medir FILE COMMAND [ARGS...]    ->    FILE: WALL CPU PEAK_KB
 * The command's exit status is medir's. */
#define _GNU_SOURCE
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "uso: medir ARQUIVO COMANDO [ARGUMENTOS...]\n");
        return 2;
    }
    struct timespec a, b;
    clock_gettime(CLOCK_MONOTONIC, &a);
    pid_t filho = fork();
    if (filho == 0) {
        execvp(argv[2], argv + 2);
        perror(argv[2]);
        _exit(127);
    }
    int estado = 0;
    struct rusage uso;
    if (filho < 0 || wait4(filho, &estado, 0, &uso) < 0) {
        perror("medir");
        return 1;
    }
    clock_gettime(CLOCK_MONOTONIC, &b);
    /* A pipeline run through a shell: its children's time counts too. */
    struct rusage netos;
    getrusage(RUSAGE_CHILDREN, &netos);
    const double parede = (double)(b.tv_sec - a.tv_sec) + (double)(b.tv_nsec - a.tv_nsec) / 1e9;
    const double cpu = (double)netos.ru_utime.tv_sec + (double)netos.ru_utime.tv_usec / 1e6
                       + (double)netos.ru_stime.tv_sec + (double)netos.ru_stime.tv_usec / 1e6;
    FILE *f = fopen(argv[1], "w");
    if (!f || fprintf(f, "%.6f %.6f %ld\n", parede, cpu, netos.ru_maxrss) < 0 || fclose(f) != 0) {
        perror(argv[1]);
        return 1;
    }
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : 1;
}

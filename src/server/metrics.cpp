#include "metrics.h"

#include <cstdio>
#include <ctime>

#ifdef __linux__
#include <dirent.h>
#include <unistd.h>
#endif

namespace {

// Upper bounds of the buckets, in seconds, +Inf after them.
const double bounds[10] = {0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.1, 1.0};

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string metric(const char* name, const char* type, const char* help, double value,
                   const std::string& labels = "") {
    return std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n" +
           name + labels + " " + number(value) + "\n";
}

#ifdef __linux__
// The process's resident memory in bytes and its open files, from /proc.
void processFigures(double& resident, double& files) {
    long pages = 0, residentPages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &residentPages) != 2)
            residentPages = 0;
        std::fclose(statm);
    }
    resident = static_cast<double>(residentPages) * static_cast<double>(sysconf(_SC_PAGESIZE));
    files = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (readdir(folder) != nullptr)
            files++;
        closedir(folder);
        files -= 3; // ".", ".." and the folder's own
    }
}
#endif

} // namespace

void Histogram::add(double seconds) {
    for (int i = 0; i < 10; i++)
        if (seconds <= bounds[i])
            buckets[i]++;
    buckets[10]++;
    count++;
    sum += seconds;
}

std::string Histogram::text(const std::string& name, const std::string& help) const {
    std::string out = "# HELP " + name + " " + help + "\n# TYPE " + name + " histogram\n";
    for (int i = 0; i < 11; i++)
        out += name + "_bucket{le=\"" + (i < 10 ? number(bounds[i]) : std::string("+Inf")) +
               "\"} " + std::to_string(buckets[i]) + "\n";
    return out + name + "_sum " + number(sum) + "\n" + name + "_count " + std::to_string(count) +
           "\n";
}

std::string metricsText(const ServerFigures& f) {
    std::string out =
        metric("kaveto_connections", "gauge", "Open WebSocket connections.",
               static_cast<double>(f.connections)) +
        metric("kaveto_rooms", "gauge", "Rooms held.", static_cast<double>(f.rooms)) +
        metric("kaveto_waiting", "gauge", "Players waiting for an opponent.",
               static_cast<double>(f.waiting)) +
        metric("kaveto_store_up", "gauge", "Whether the store answers.", f.storeUp ? 1 : 0) +
        metric("kaveto_games_started_total", "counter", "Games begun with both seats taken.",
               static_cast<double>(f.started)) +
        "# HELP kaveto_games_ended_total Games ended, by how.\n"
        "# TYPE kaveto_games_ended_total counter\n"
        "kaveto_games_ended_total{how=\"over\"} " +
        std::to_string(f.over) + "\nkaveto_games_ended_total{how=\"abandoned\"} " +
        std::to_string(f.abandoned) + "\n" +
        metric("kaveto_moves_total", "counter", "Moves refereed and played.",
               static_cast<double>(f.moves)) +
        "# HELP kaveto_refused_total Connections, pages and rooms refused, by why.\n"
        "# TYPE kaveto_refused_total counter\n";
    for (const auto& [reason, count] : f.refused)
        out += "kaveto_refused_total{reason=\"" + reason + "\"} " + std::to_string(count) + "\n";
    out += f.storeWrite.text("kaveto_store_write_seconds", "A write to the disk or the database.") +
           f.move.text("kaveto_move_seconds", "From a move's receipt to its broadcast.") +
           metric("kaveto_build_info", "gauge", "The server's version.", 1,
                  "{version=\"" + f.version + "\"}") +
           metric("process_cpu_seconds_total", "counter", "CPU time used, in seconds.",
                  static_cast<double>(std::clock()) / CLOCKS_PER_SEC) +
           metric("process_start_time_seconds", "gauge", "When the process started.", f.startTime);
#ifdef __linux__
    double resident = 0, files = 0;
    processFigures(resident, files);
    out +=
        metric("process_resident_memory_bytes", "gauge", "Resident memory, in bytes.", resident) +
        metric("process_open_fds", "gauge", "Open file descriptors.", files);
#endif
    return out;
}

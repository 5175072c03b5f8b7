#ifndef KAVETO_METRICS_H
#define KAVETO_METRICS_H

#include <map>
#include <string>

// What the server tells its operator at /metrics, in Prometheus' text
// format, apart from the transport.

// Observations of a time, in seconds, counted in Prometheus' buckets.
struct Histogram {
    // Adds one observation.
    void add(double seconds);
    // Its lines under that name, with its help.
    std::string text(const std::string& name, const std::string& help) const;
    long buckets[11] = {};
    long count = 0;
    double sum = 0;
};

// The server's figures as they stand.
struct ServerFigures {
    long connections = 0, rooms = 0, started = 0, over = 0, abandoned = 0, moves = 0;
    // Players waiting for an opponent; whether the store answers.
    long waiting = 0;
    bool storeUp = true;
    // Refusals by why.
    std::map<std::string, long> refused;
    Histogram storeWrite, move;
    std::string version;
    // When the process started, in seconds since 1970.
    double startTime = 0;
};

// The /metrics page: the server's figures and the process's own.
std::string metricsText(const ServerFigures& figures);

#endif

// bench_report: reads the JSON that quorvale_bench writes, derives the
// project's performance figures (ratios of benchmarks from the same run first,
// then absolute costs), prints them as Markdown tables and writes them as JSON.
// Where a run has repetitions, the figures come twice: from the fastest
// repetition of each benchmark (least disturbed by other work on the machine)
// and from the median; a target counts as missed when the fastest misses it.
// Exits 1 when the input cannot be read, a benchmark is missing or one
// reported an error; a missed target is reported, not treated as a failure.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

struct Measured {
    double cpuNs = 0;  // CPU time per iteration in nanoseconds
    double allocs = 0; // allocations per iteration
};

double toNanoseconds(double value, const std::string& unit) {
    if (unit == "ns") {
        return value;
    }
    if (unit == "us") {
        return value * 1e3;
    }
    if (unit == "ms") {
        return value * 1e6;
    }
    if (unit == "s") {
        return value * 1e9;
    }
    throw std::runtime_error("unknown time unit " + unit);
}

// The benchmark library writes NaN and infinity (the spread of a counter that
// is always 0, say) as bare words, which JSON does not allow; they become null.
std::string withoutBareNumbers(std::string text) {
    static const std::regex bare(R"((:\s*)-?(NaN|nan|Infinity|inf)\b)");
    return std::regex_replace(text, bare, "$1null");
}

// Per benchmark, the fastest and the median repetition. The median comes from
// the run's median aggregate where there is one; a run without repetitions
// gives one value for both.
struct Collected {
    std::map<std::string, Measured> fastest;
    std::map<std::string, Measured> median;
};

Collected collect(const json& results) {
    Collected c;
    // Allocations are judged by the worst repetition: the mean aggregate is
    // above 0 as soon as one repetition allocated.
    std::map<std::string, double> allocs;
    for (const auto& run : results.at("benchmarks")) {
        const std::string name = run.at("run_name");
        if (run.value("error_occurred", false)) {
            throw std::runtime_error(name + " failed: " + run.value("error_message", ""));
        }
        const std::string type = run.value("run_type", "iteration");
        const std::string aggregate = run.value("aggregate_name", "");
        if (type == "aggregate" && aggregate != "mean" && aggregate != "median" &&
            aggregate != "min") {
            continue;
        }
        Measured m;
        m.cpuNs = toNanoseconds(run.at("cpu_time").get<double>(), run.at("time_unit"));
        const double a = run.value("allocs", 0.0);
        allocs[name] = std::max(allocs[name], a);
        if (type == "aggregate") {
            if (aggregate != "mean") {
                (aggregate == "min" ? c.fastest : c.median)[name] = m;
            }
        } else {
            auto [slot, fresh] = c.fastest.try_emplace(name, m);
            if (!fresh && m.cpuNs < slot->second.cpuNs) {
                slot->second = m;
            }
            c.median.try_emplace(name, m);
        }
    }
    for (const auto& [name, m] : c.median) {
        c.fastest.try_emplace(name, m); // aggregates without the fastest repetition
    }
    for (auto* set : {&c.fastest, &c.median}) {
        for (auto& [name, m] : *set) {
            m.allocs = allocs[name];
        }
    }
    return c;
}

// The figures derived from one set of benchmark values, in the order derived.
class Report {
public:
    explicit Report(std::map<std::string, Measured> runs) : runs(std::move(runs)) {}

    const Measured& at(const std::string& name) const {
        auto found = runs.find(name);
        if (found == runs.end()) {
            throw std::runtime_error("missing benchmark " + name);
        }
        return found->second;
    }
    double ns(const std::string& name) const { return at(name).cpuNs; }

    // A derived figure; limit and atMost describe its target, if it has one.
    void figure(const std::string& key, const std::string& label, double value,
                const std::string& unit, std::optional<double> limit = {}, bool atMost = true) {
        json entry = {{"label", label}, {"value", value}, {"unit", unit}};
        if (limit) {
            entry["target"] = {{atMost ? "at_most" : "more_than", *limit},
                               {"met", atMost ? value <= *limit : value > *limit}};
        }
        figures[key] = entry;
        order.push_back(key);
    }
    void separator() { order.push_back(""); }

    std::map<std::string, Measured> runs;
    json figures = json::object();
    std::vector<std::string> order;
};

std::string number(double v) {
    char text[32];
    if (v >= 1000) {
        std::snprintf(text, sizeof text, "%.0f", v);
    } else if (v >= 10) {
        std::snprintf(text, sizeof text, "%.1f", v);
    } else {
        std::snprintf(text, sizeof text, "%.2f", v);
    }
    return text;
}

void derive(Report& r) {
    const std::vector<int> sizes = {16, 64, 128, 512, 2048};
    for (int n : sizes) {
        const std::string s = std::to_string(n);
        r.figure("render_vs_floor_" + s, "Rendering ÷ floor, " + s + " samples",
                 r.ns("Render/" + s) / r.ns("Floor/" + s), " ×",
                 n >= 128 ? std::optional<double>(1.3) : std::nullopt);
    }
    for (int n : sizes) {
        const std::string s = std::to_string(n);
        r.figure("naive_vs_render_" + s, "Naive route ÷ rendering, " + s + " samples",
                 r.ns("NaiveRoute/" + s) / r.ns("Render/" + s), " ×",
                 n == 128 ? std::optional<double>(50) : std::nullopt, false);
    }
    r.figure("sleeping_vs_render_128", "Sleeping ÷ rendering, 128 samples",
             r.ns("Sleeping/128") / r.ns("Render/128"), " ×", 0.25);
    r.figure("one_event_vs_render_128", "Block with one value event ÷ rendering, 128 samples",
             r.ns("OneValueEvent/128") / r.ns("Render/128"), " ×");
    r.figure("every_sample_vs_render_128", "Event on every sample ÷ rendering, 128 samples",
             r.ns("EventEverySample/128") / r.ns("Render/128"), " ×");

    const std::vector<int> counts = {1, 64, 1024, 16384};
    double cheapest = 1e300;
    double dearest = 0;
    for (int n : counts) {
        const double perInstance = r.ns("ManyInstances/" + std::to_string(n)) / n;
        if (n >= 64) {
            cheapest = std::min(cheapest, perInstance);
            dearest = std::max(dearest, perInstance);
        }
    }
    r.figure("instance_cost_spread", "Cost per instance, dearest ÷ cheapest of 64 to 16384",
             dearest / cheapest, " ×", 1.5);

    double processAllocs = 0;
    for (const auto& [name, m] : r.runs) {
        for (const char* prefix :
             {"Render/", "Sleeping/", "OneValueEvent/", "EventEverySample/", "ManyInstances/"}) {
            if (name.rfind(prefix, 0) == 0) {
                processAllocs = std::max(processAllocs, m.allocs);
            }
        }
    }
    r.figure("process_block_allocations", "Allocations per processBlock (most in any benchmark)",
             processAllocs, "", 0.0);

    r.separator();
    for (int n : sizes) {
        const std::string s = std::to_string(n);
        r.figure("floor_ns_" + s, "Floor, " + s + " samples", r.ns("Floor/" + s), " ns");
        r.figure("render_ns_" + s, "Rendering, " + s + " samples", r.ns("Render/" + s), " ns");
        r.figure("naive_ns_" + s, "Naive route, " + s + " samples", r.ns("NaiveRoute/" + s), " ns");
    }
    r.figure("sleeping_ns_128", "Sleeping, 128 samples", r.ns("Sleeping/128"), " ns");
    r.figure("one_event_extra_ns", "Extra cost of one value event (128-sample block)",
             r.ns("OneValueEvent/128") - r.ns("Render/128"), " ns");
    r.figure("every_sample_ns_128", "Block with an event on every sample (128)",
             r.ns("EventEverySample/128"), " ns");
    r.figure("per_event_ns", "… per event", r.ns("EventEverySample/128") / 128, " ns");
    for (int n : counts) {
        const std::string s = std::to_string(n);
        r.figure("per_instance_ns_" + s, "Per instance, " + s + " instances",
                 r.ns("ManyInstances/" + s) / n, " ns");
    }
    const double blockNs = 128.0 / 48000.0 * 1e9;
    r.figure("instances_per_block", "Instances per core in one 128-sample block at 48 kHz",
             blockNs / dearest, "");
    r.figure("create_release_ns", "createModule + final Release", r.ns("CreateAndRelease"), " ns");
    r.figure("allocations_per_instance", "Allocations per instance",
             r.at("CreateAndRelease").allocs, "");
    r.figure("load_unload_us", "Load + MP_GetFactory + unload", r.ns("LoadAndUnload") / 1e3, " µs");
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Derives the performance figures from quorvale_bench's JSON output."};
    std::string input;
    std::string output;
    app.add_option("input", input, "JSON written by quorvale_bench --benchmark_out")
        ->required()
        ->check(CLI::ExistingFile);
    app.add_option("output", output, "where to write the figures as JSON")->required();
    CLI11_PARSE(app, argc, argv);

    try {
        std::ifstream in(input);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        const json results = json::parse(withoutBareNumbers(text));
        Collected collected = collect(results);
        Report fastest(std::move(collected.fastest));
        Report median(std::move(collected.median));
        derive(fastest);
        derive(median);

        int missed = 0;
        std::cout << "| Figure | Fastest run | Median | Target |\n|---|---|---|---|\n";
        for (const auto& key : fastest.order) {
            if (key.empty()) {
                std::cout << "| | | | |\n";
                continue;
            }
            const json& f = fastest.figures[key];
            const json& m = median.figures[key];
            const std::string unit = f["unit"];
            std::string target;
            if (f.contains("target")) {
                const json& t = f["target"];
                const bool atMost = t.contains("at_most");
                const double limit = atMost ? t["at_most"] : t["more_than"];
                const bool onFastest = t["met"];
                const bool onMedian = m["target"]["met"];
                target = std::string(atMost ? "≤ " : "> ") + number(limit) +
                         (onFastest && onMedian ? ": met"
                          : onFastest           ? ": met by the fastest run only"
                                                : ": missed");
                missed += onFastest ? 0 : 1;
            }
            std::cout << "| " << f["label"].get<std::string>() << " | " << number(f["value"])
                      << unit << " | " << number(m["value"]) << unit << " | " << target << " |\n";
        }
        const json& context = results.at("context");
        std::cout << "\nCPU time per iteration; " << context.value("num_cpus", 0) << " CPUs at "
                  << context.value("mhz_per_cpu", 0) << " MHz, load average "
                  << (context.contains("load_avg") ? context["load_avg"].dump() : "unknown") << ", "
                  << context.value("date", "") << "; targets missed: " << missed << "\n";

        json out = {{"context", context},
                    {"fastest", fastest.figures},
                    {"median", median.figures},
                    {"targets_missed", missed}};
        std::ofstream file(output);
        file << out.dump(2) << "\n";
        if (!file) {
            throw std::runtime_error("cannot write " + output);
        }
    } catch (const std::exception& e) {
        std::cerr << "bench_report: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

#include "SvgPlot.h"

#include "HostError.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

namespace mphost {

namespace {

constexpr double width = 960;
constexpr double height = 440;
constexpr double left = 72;
constexpr double right = 24;
constexpr double top = 48;
constexpr double bottom = 56;

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string coordinate(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// A step of 1, 2 or 5 times a power of ten giving about `count` ticks.
double tickStep(double span, int count) {
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (raw <= factor * power) {
            return factor * power;
        }
    }
    return 10 * power;
}

struct Step {
    int64_t start;
    int64_t end;
    float value;
};

} // namespace

std::string plotSvg(const RunResult& run, size_t outputIndex) {
    if (outputIndex >= run.outputPins.size()) {
        throw HostError("module \"" + run.module.id + "\" has no audio output to plot");
    }
    const int64_t total = static_cast<int64_t>(run.blocks.size()) * run.blockSize;
    if (total == 0) {
        throw HostError("nothing to plot: the run has no blocks");
    }

    // The signal as steps of equal samples, across block boundaries.
    std::vector<Step> steps;
    for (const auto& block : run.blocks) {
        const auto& samples = block.outputs[outputIndex];
        for (size_t i = 0; i < samples.size(); ++i) {
            const int64_t at = block.firstSample + static_cast<int64_t>(i);
            if (!steps.empty() && std::bit_cast<uint32_t>(steps.back().value) ==
                                      std::bit_cast<uint32_t>(samples[i])) {
                steps.back().end = at + 1;
            } else {
                steps.push_back({at, at + 1, samples[i]});
            }
        }
    }

    double low = INFINITY;
    double high = -INFINITY;
    for (const auto& step : steps) {
        if (std::isfinite(step.value)) {
            low = std::min(low, step.value * 10.0);
            high = std::max(high, step.value * 10.0);
        }
    }
    if (!std::isfinite(low)) {
        low = -1;
        high = 1;
    }
    if (high - low < 1e-9) {
        low -= 1;
        high += 1;
    }
    const double pad = (high - low) * 0.08;
    low -= pad;
    high += pad;

    const double plotWidth = width - left - right;
    const double plotHeight = height - top - bottom;
    auto x = [&](int64_t sample) {
        return left + plotWidth * static_cast<double>(sample) / static_cast<double>(total);
    };
    // Non-finite values sit on the frame: +inf at the top, -inf and NaN at the bottom.
    auto y = [&](float value) {
        if (!std::isfinite(value)) {
            return value > 0 ? top : top + plotHeight;
        }
        return top + plotHeight * (high - value * 10.0) / (high - low);
    };

    std::ostringstream svg;
    const PinDescription* pin = run.module.findPin(run.outputPins[outputIndex]);
    const std::string title =
        "\"" + run.module.id + "\", output pin " + std::to_string(run.outputPins[outputIndex]) +
        (pin != nullptr ? " \"" + pin->name + "\"" : std::string()) + ", block size " +
        std::to_string(run.blockSize) + ", " + number(run.sampleRate) + " Hz";
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
        << "\" viewBox=\"0 0 " << width << ' ' << height
        << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        << "<title>" << escaped(title) << "</title>\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << left << "\" y=\"20\" font-size=\"14\">" << escaped(title) << "</text>\n";

    // Spans in which the module slept.
    for (size_t i = 0; i < run.blocks.size();) {
        if (run.blocks[i].processed) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < run.blocks.size() && !run.blocks[end].processed) {
            ++end;
        }
        const double from = x(run.blocks[i].firstSample);
        const double to = x(static_cast<int64_t>(end) * run.blockSize);
        svg << "<rect class=\"asleep\" x=\"" << coordinate(from) << "\" y=\"" << top
            << "\" width=\"" << coordinate(to - from) << "\" height=\"" << plotHeight
            << "\" fill=\"#dde6f0\"/>\n"
            << "<text x=\"" << coordinate(from + 3) << "\" y=\"" << coordinate(top + plotHeight - 6)
            << "\" fill=\"#52667a\">asleep</text>\n";
        i = end;
    }

    // Axes, grid and tick labels.
    const double seconds = static_cast<double>(total) / run.sampleRate;
    const double xStep = tickStep(seconds, 8);
    for (double t = 0; t <= seconds * (1 + 1e-9); t += xStep) {
        const double px = left + plotWidth * t / seconds;
        svg << "<line x1=\"" << coordinate(px) << "\" y1=\"" << top << "\" x2=\"" << coordinate(px)
            << "\" y2=\"" << top + plotHeight << "\" stroke=\"#eeeeee\"/>\n"
            << "<text x=\"" << coordinate(px) << "\" y=\"" << top + plotHeight + 16
            << "\" text-anchor=\"middle\">" << number(t) << "</text>\n";
    }
    const double yStep = tickStep(high - low, 6);
    for (double v = std::ceil(low / yStep) * yStep; v <= high; v += yStep) {
        const double py = top + plotHeight * (high - v) / (high - low);
        svg << "<line x1=\"" << left << "\" y1=\"" << coordinate(py) << "\" x2=\""
            << left + plotWidth << "\" y2=\"" << coordinate(py) << "\" stroke=\"#eeeeee\"/>\n"
            << "<text x=\"" << left - 6 << "\" y=\"" << coordinate(py + 4)
            << "\" text-anchor=\"end\">" << number(std::abs(v) < yStep * 1e-6 ? 0 : v)
            << "</text>\n";
    }
    svg << "<rect x=\"" << left << "\" y=\"" << top << "\" width=\"" << plotWidth << "\" height=\""
        << plotHeight << "\" fill=\"none\" stroke=\"#444444\"/>\n"
        << "<text x=\"" << left + plotWidth / 2 << "\" y=\"" << height - 14
        << "\" text-anchor=\"middle\">time (s)</text>\n"
        << "<text transform=\"translate(18 " << top + plotHeight / 2
        << ") rotate(-90)\" text-anchor=\"middle\">output (V)</text>\n";

    // Event markers, one per sample position, labels joined.
    std::map<int64_t, std::string> markers;
    for (const auto& block : run.blocks) {
        for (const auto& event : block.events) {
            std::string& label = markers[event.sample];
            label += (label.empty() ? "" : ", ") + event.label;
        }
    }
    for (const auto& [sample, label] : markers) {
        const double px = x(sample);
        svg << "<line class=\"event\" x1=\"" << coordinate(px) << "\" y1=\"" << top << "\" x2=\""
            << coordinate(px) << "\" y2=\"" << top + plotHeight
            << "\" stroke=\"#c0392b\" stroke-dasharray=\"4 3\"/>\n"
            << "<text x=\"" << coordinate(px + 3) << "\" y=\"" << top + 14 << "\" fill=\"#c0392b\">"
            << escaped(label) << "</text>\n";
    }

    // The signal; NaN samples leave a gap.
    svg << "<path class=\"signal\" fill=\"none\" stroke=\"#1f5fa8\" stroke-width=\"2\" d=\"";
    bool drawing = false;
    for (const auto& step : steps) {
        if (std::isnan(step.value)) {
            drawing = false;
            continue;
        }
        svg << (drawing ? "L" : "M") << coordinate(x(step.start)) << ' '
            << coordinate(y(step.value)) << " L" << coordinate(x(step.end)) << ' '
            << coordinate(y(step.value)) << ' ';
        drawing = true;
    }
    svg << "\"/>\n</svg>\n";
    return svg.str();
}

} // namespace mphost

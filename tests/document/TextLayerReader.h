// Reads a Text_N.json file of "createtextlayer" back, for the tests: strictly the format the
// job writes (keys in their order, no white space, numbers with at most one decimal and no
// trailing ".0"), so that a file that strays from it is not read at all.
#pragma once

#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct LayerLine {
    std::string t;
    double x = 0, y = 0, h = 0, s = 0, a = 0;
    std::vector<double> b;  // start (from the line's start), length, start, length, ...
    bool r = false;
};

struct Layer {
    int v = 0, p = 0;
    double w = 0, h = 0;
    std::vector<LayerLine> lines;
};

class LayerReader {
  public:
    // False, with error() saying where, when json is not a layer file as the job writes it.
    bool read(const std::string& json, Layer& layer) {
        s_ = json;
        i_ = 0;
        error_.clear();
        layer = Layer{};
        if (!(key("{\"v\":") && integer(layer.v) && key(",\"p\":") && integer(layer.p) &&
              key(",\"w\":") && number(layer.w) && key(",\"h\":") && number(layer.h) &&
              key(",\"l\":[")))
            return false;
        while (i_ < s_.size() && s_[i_] != ']') {
            if (!layer.lines.empty() && !key(",")) return false;
            LayerLine line;
            if (!(key("[") && string(line.t) && key(",") && number(line.x) && key(",") &&
                  number(line.y) && key(",") && number(line.h) && key(",") && number(line.s) &&
                  key(",[")))
                return false;
            // [gap, length] pairs on file; kept as [start, length] from the line's start.
            double end = 0;
            while (i_ < s_.size() && s_[i_] != ']') {
                double gap = 0, length = 0;
                if ((!line.b.empty() && !key(",")) || !number(gap) || !key(",") || !number(length))
                    return false;
                const double start = std::round((end + gap) * 10) / 10;
                line.b.push_back(start);
                line.b.push_back(length);
                end = std::round((start + length) * 10) / 10;
            }
            if (!key("]")) return false;
            if (s_.compare(i_, 1, ",") == 0) {
                int r = 0;
                if (!key(",") || !integer(r) || (r != 0 && r != 1)) return fail("bad r");
                line.r = r == 1;
                if (s_.compare(i_, 1, ",") == 0 && !(key(",") && number(line.a))) return false;
                // The short forms: r and a left out for a left-to-right line at angle 0.
                if (!line.r && line.a == 0) return fail("r and a written for a plain line");
            }
            if (!key("]")) return false;
            layer.lines.push_back(line);
        }
        return key("]}") && (i_ == s_.size() || fail("bytes after the end"));
    }
    const std::string& error() const { return error_; }

  private:
    bool fail(const std::string& why) {
        error_ = why + " at byte " + std::to_string(i_);
        return false;
    }
    bool key(std::string_view text) {
        if (s_.compare(i_, text.size(), text) != 0) return fail("expected " + std::string(text));
        i_ += text.size();
        return true;
    }
    bool integer(int& value) {
        double d = 0;
        if (!number(d) || d != std::floor(d)) return fail("expected a whole number");
        value = static_cast<int>(d);
        return true;
    }
    // -?digits(.digit)?, the digit after the point not 0, no "-0".
    bool number(double& value) {
        const std::size_t start = i_;
        if (i_ < s_.size() && s_[i_] == '-') ++i_;
        const std::size_t digits = i_;
        while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
        if (i_ == digits || (i_ - digits > 1 && s_[digits] == '0')) return fail("bad number");
        if (i_ < s_.size() && s_[i_] == '.') {
            if (i_ + 1 >= s_.size() || s_[i_ + 1] < '1' || s_[i_ + 1] > '9')
                return fail("bad decimal");
            i_ += 2;
        }
        const std::string text = s_.substr(start, i_ - start);
        if (text == "-0") return fail("negative zero");
        value = std::strtod(text.c_str(), nullptr);
        return true;
    }
    bool string(std::string& out) {
        if (!key("\"")) return false;
        while (i_ < s_.size() && s_[i_] != '"') {
            const char c = s_[i_++];
            if (static_cast<unsigned char>(c) < 0x20) return fail("raw control character");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size()) return fail("escape at the end");
            const char e = s_[i_++];
            if (e == '"' || e == '\\') {
                out += e;
            } else if (e == 'u' && i_ + 4 <= s_.size() && s_.compare(i_, 2, "00") == 0) {
                out += static_cast<char>(std::strtol(s_.substr(i_ + 2, 2).c_str(), nullptr, 16));
                i_ += 4;
            } else {
                return fail("unexpected escape");
            }
        }
        return key("\"");
    }

    std::string s_;
    std::size_t i_ = 0;
    std::string error_;
};

}  // namespace testing_support

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
    std::vector<double> b;  // start, length, start, length, ...
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
            if (!(key("{\"t\":") && string(line.t) && key(",\"x\":") && number(line.x) &&
                  key(",\"y\":") && number(line.y) && key(",\"h\":") && number(line.h) &&
                  key(",\"s\":") && number(line.s) && key(",\"b\":[")))
                return false;
            while (i_ < s_.size() && s_[i_] != ']') {
                double value = 0;
                if ((!line.b.empty() && !key(",")) || !number(value)) return false;
                line.b.push_back(value);
            }
            if (!key("]")) return false;
            if (s_.compare(i_, 6, ",\"r\":1") == 0) {
                i_ += 6;
                line.r = true;
            }
            if (s_.compare(i_, 5, ",\"a\":") == 0 && !(key(",\"a\":") && number(line.a)))
                return false;
            if (!key("}")) return false;
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

#include "playback/vant_writer.h"

#include <cstdio>

namespace vt {

namespace {

void PutWord(std::string* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutList(std::string* out, const char* type, const std::string& data) {
  out->append("LIST");
  PutWord(out, static_cast<uint32_t>(data.size() + 4));
  out->append(type, 4);
  out->append(data);
  if (data.size() & 1) out->push_back('\0');
}

void PutField(std::string* out, const std::string& text) {
  std::string field = text.substr(0, 64);
  field.resize(64, '\0');
  out->append(field);
}

}  // namespace

std::string BuildVantForm(const VantTrailer& t) {
  std::string body = "VANT";
  if (t.bLeng) {
    std::string d;
    PutWord(&d, t.w1);
    PutWord(&d, t.w2);
    PutWord(&d, t.w3.value_or(t.events.empty() ? 0u : 1u));
    PutList(&body, "LENG", d);
  }
  if (t.bEven) {
    std::string d;
    PutWord(&d, t.evenCount.value_or(static_cast<uint32_t>(t.events.size())));
    for (const auto& e : t.events) {
      PutWord(&d, e.dwReserved);
      PutWord(&d, static_cast<uint32_t>(e.tStart));
      PutWord(&d, static_cast<uint32_t>(e.tEnd));
    }
    PutList(&body, "EVEN", d);
  }
  if (t.bCame) {
    std::string d;
    PutWord(&d, t.cameWord);
    PutField(&d, t.textA);
    PutField(&d, t.textB);
    PutList(&body, "CAME", d);
  }
  std::string form = "RIFF";
  PutWord(&form, static_cast<uint32_t>(body.size()));
  form.append(body);
  return form;
}

bool AppendVantTrailer(const std::string& path, const VantTrailer& trailer) {
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  long size = ok ? std::ftell(f) : -1;
  ok = ok && size >= 0;
  if (ok && (size & 1)) ok = std::fputc(0, f) != EOF;
  const std::string form = BuildVantForm(trailer);
  ok = ok && std::fwrite(form.data(), 1, form.size(), f) == form.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

}  // namespace vt

#include "replica/ReplicaRoutes.h"

#include "replica/Compression.h"
#include "replica/HttpStatus.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <random>
#include <string_view>

namespace {

const char* const kHtml = "text/html; charset=utf-8";
const char* const kText = "text/plain; charset=utf-8";

bool isAddedByServer(const std::string& name) {
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
           name == "LOCAL_PORT";
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string randomSession() {
    std::random_device device;
    std::string value;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", device());
        value += part;
    }
    return value;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// The value of one cookie in a Cookie header ("a=1; session=xyz"), or empty.
std::string cookieValue(std::string_view header, std::string_view name) {
    while (!header.empty()) {
        const auto end = std::min(header.find(';'), header.size());
        const std::string_view pair = trimmed(header.substr(0, end));
        if (pair.size() > name.size() && pair.starts_with(name) && pair[name.size()] == '=') {
            return std::string(pair.substr(name.size() + 1));
        }
        header.remove_prefix(std::min(end + 1, header.size()));
    }
    return {};
}

std::string contentDisposition(const std::string& form) {
    if (form == "plain") return "attachment; filename=protocol.pdf";
    if (form == "upper") return "attachment; filename=\"PROTOCOL.PDF\"";
    if (form == "nodot") return "attachment; filename=\"protocol\"";
    if (form == "param") return "attachment; filename=\"protocol.pdf\"; size=1.5";
    if (form == "doc") return "attachment; filename=\"protocol.docx\"";
    return "attachment; filename=\"protocol.pdf\"";  // "quoted", the portal's usual form
}

std::string buildSamplePdf() {
    const std::string text =
        "BT /F1 12 Tf 72 760 Td (Protocol of the procurement commission) Tj "
        "0 -20 Td (Supplier INN 7707083893) Tj ET";
    const std::string objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] "
        "/Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "<< /Length " + std::to_string(text.size()) + " >>\nstream\n" + text + "\nendstream",
    };
    std::string pdf = "%PDF-1.4\n";
    std::string xref = "xref\n0 6\n0000000000 65535 f \n";
    int number = 1;
    for (const auto& object : objects) {
        char entry[21];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", pdf.size());
        xref += entry;
        pdf += std::to_string(number++) + " 0 obj\n" + object + "\nendobj\n";
    }
    const std::size_t xrefOffset = pdf.size();
    return pdf + xref + "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xrefOffset) + "\n%%EOF\n";
}

}  // namespace

std::map<std::string, std::string> receivedHeaders(const httplib::Request& req) {
    std::map<std::string, std::string> headers;
    for (const auto& [name, value] : req.headers) {
        if (isAddedByServer(name)) continue;
        auto [it, fresh] = headers.try_emplace(lowerCase(name), value);
        if (!fresh) it->second += ", " + value;
    }
    return headers;
}

const std::string& ReplicaRoutes::sampleText() {
    static const std::string text =
        "Реестр контрактов: поставка компьютерной техники "
        "для нужд ГБУ «Центр закупок».\n"
        "Цена контракта: 1 250 000,00 ₽. "
        "Заказчик: Министерство цифрового развития.\n"
        "Реестр контрактов: поставка компьютерной техники "
        "для нужд ГБУ «Центр закупок».\n";
    return text;
}

const std::string& ReplicaRoutes::samplePdf() {
    static const std::string pdf = buildSamplePdf();
    return pdf;
}

void ReplicaRoutes::setDownload(const std::string& uid, std::string bytes) {
    std::lock_guard lock(mutex_);
    downloads_[uid] = std::move(bytes);
}

bool ReplicaRoutes::serve(const httplib::Request& req, httplib::Response& res,
                          const Pacing& pacing) {
    const std::string& path = req.path;
    if (path == "/echo") {
        echo(req, res);
    } else if (path == "/plain") {
        res.set_content(sampleText(), kText);
    } else if (path == "/gzip" || path == "/deflate") {
        // Compressed whatever the client accepts: the portal's front server does the same.
        using Compression::Format;
        const Format format = path == "/gzip" ? Format::Gzip : Format::Deflate;
        res.set_content(Compression::compress(sampleText(), format), kText);
        res.set_header("Content-Encoding", path.substr(1));
    } else if (path == "/cookie/set") {
        setCookie(res);
    } else if (path == "/cookie/check") {
        checkCookie(req, res);
    } else if (path.starts_with("/status/")) {
        status(req, res);
    } else if (path == "/empty") {
        res.status = 200;
        res.set_header("Content-Type", kHtml);
    } else if (path == "/slow") {
        slow(req, res, pacing);
    } else if (path == "/redirect/to") {
        res.set_redirect(req.get_param_value("target"), 302);
        res.set_content("<html><body>302 Found</body></html>", kHtml);
    } else if (path == "/redirect/loop") {
        res.set_redirect("/redirect/loop", 302);
        res.set_content("<html><body>302 Found</body></html>", kHtml);
    } else if (path.starts_with("/download/")) {
        download(req, res);
    } else {
        return false;
    }
    return true;
}

void ReplicaRoutes::echo(const httplib::Request& req, httplib::Response& res) {
    std::string body;
    for (const auto& [name, value] : receivedHeaders(req))
        body += name + ": " + value + "\n";
    res.set_content(body, kText);
}

void ReplicaRoutes::setCookie(httplib::Response& res) {
    const std::string session = randomSession();
    {
        std::lock_guard lock(mutex_);
        sessions_.insert(session);
    }
    res.set_header("Set-Cookie", "session=" + session + "; Path=/; HttpOnly");
    res.set_redirect("/cookie/check", 302);
    res.set_content("<html><body>302 Found</body></html>", kHtml);
}

void ReplicaRoutes::checkCookie(const httplib::Request& req, httplib::Response& res) {
    const std::string session = cookieValue(req.get_header_value("Cookie"), "session");
    bool known = false;
    {
        std::lock_guard lock(mutex_);
        known = sessions_.contains(session);
    }
    if (known) {
        res.set_content("cookie ok", kText);
    } else {
        HttpStatus::setErrorPage(res, 403);
    }
}

void ReplicaRoutes::status(const httplib::Request& req, httplib::Response& res) {
    const std::string_view digits = std::string_view(req.path).substr(8);
    int code = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
    if (error != std::errc{} || end != digits.data() + digits.size() ||
        HttpStatus::reasonPhrase(code).empty() || code == 204 || code == 304) {
        // A code with no standard phrase (or no body) would put a made-up line on the wire.
        HttpStatus::setErrorPage(res, 404);
        return;
    }
    res.status = code;
    res.set_content("status " + std::to_string(code), kText);
}

void ReplicaRoutes::slow(const httplib::Request& req, httplib::Response& res,
                         const Pacing& pacing) {
    std::size_t bytes = 1000;
    if (req.has_param("bytes")) {
        const std::string value = req.get_param_value("bytes");
        std::from_chars(value.data(), value.data() + value.size(), bytes);
    }
    std::string body;
    body.reserve(bytes);
    while (body.size() < bytes)
        body += static_cast<char>('0' + body.size() % 10);
    res.set_content(body, kText);
    ResponseBody::sendPaced(res, pacing);
}

void ReplicaRoutes::download(const httplib::Request& req, httplib::Response& res) {
    const std::string type = req.get_param_value("type");
    if (type == "text") {
        // The portal's refusal: an HTML content type over a JSON-like text.
        res.set_content(R"({"code":1,"message":"Файл не найден"})", kHtml);
        return;
    }
    std::string bytes = samplePdf();
    {
        std::lock_guard lock(mutex_);
        if (const auto it = downloads_.find(req.get_param_value("uid")); it != downloads_.end()) {
            bytes = it->second;
        }
    }
    if (type == "other") {
        res.set_content(std::move(bytes), "application/octet-stream");
        return;
    }
    // A uid that climbs folders is answered with a file name that does too.
    const std::string uid = req.get_param_value("uid");
    res.set_header("Content-Disposition", uid.find("..") == std::string::npos
                                              ? contentDisposition(req.get_param_value("cd"))
                                              : "attachment; filename=\"" + uid + ".pdf\"");
    res.set_content(std::move(bytes), "application/download");
}

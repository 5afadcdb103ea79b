#include "replica/SelfSignedCertificate.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

template <auto Free>
struct Deleter {
    template <typename T>
    void operator()(T* p) const noexcept {
        Free(p);
    }
};

using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using CertPtr = std::unique_ptr<X509, Deleter<X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO_free_all>>;
using ExtensionPtr = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION_free>>;
using BignumPtr = std::unique_ptr<BIGNUM, Deleter<BN_free>>;

[[noreturn]] void fail(const std::string& what) {
    const unsigned long code = ERR_get_error();
    std::string reason = what;
    if (code != 0) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        reason += ": ";
        reason += text;
    }
    ERR_clear_error();
    throw std::runtime_error("сертификат реплики: " + reason);
}

void check(int ok, const char* what) {
    if (ok <= 0) fail(what);
}

// Random 64-bit serial: clients that cache certificates by issuer and serial must never see two
// replicas' certificates as the same one.
void setRandomSerial(X509* cert) {
    BignumPtr serial(BN_new());
    if (!serial) fail("BN_new");
    check(BN_rand(serial.get(), 64, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY), "BN_rand");
    check(BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert)) != nullptr,
          "serial number");
}

void addExtension(X509* cert, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    ExtensionPtr ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
    if (!ext) fail(std::string("extension ") + value);
    check(X509_add_ext(cert, ext.get(), -1), "X509_add_ext");
}

CertPtr makeCertificate(EVP_PKEY* key) {
    CertPtr cert(X509_new());
    if (!cert) fail("X509_new");
    check(X509_set_version(cert.get(), 2), "version");
    setRandomSerial(cert.get());
    // An hour of slack backwards covers small clock differences between processes' views.
    if (!X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600) ||
        !X509_gmtime_adj(X509_getm_notAfter(cert.get()), 7L * 24 * 3600)) {
        fail("validity");
    }
    X509_NAME* name = X509_get_subject_name(cert.get());
    const auto add = [name](const char* field, const char* value) {
        check(X509_NAME_add_entry_by_txt(name, field, MBSTRING_ASC,
                                         reinterpret_cast<const unsigned char*>(value), -1, -1, 0),
              field);
    };
    add("O", "Contract Finder portal replica");
    add("CN", "127.0.0.1");
    check(X509_set_issuer_name(cert.get(), name), "issuer");
    check(X509_set_pubkey(cert.get(), key), "public key");
    // CA:TRUE lets a client name this very file as its trust store and verify peer and host.
    addExtension(cert.get(), NID_basic_constraints, "critical,CA:TRUE");
    addExtension(cert.get(), NID_key_usage, "critical,digitalSignature,keyCertSign");
    addExtension(cert.get(), NID_ext_key_usage, "serverAuth");
    addExtension(cert.get(), NID_subject_key_identifier, "hash");
    addExtension(cert.get(), NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    check(X509_sign(cert.get(), key, EVP_sha256()), "X509_sign");
    return cert;
}

BioPtr openForWriting(const std::filesystem::path& file) {
    BioPtr bio(BIO_new_file(file.c_str(), "w"));
    if (!bio) fail("не удалось записать " + file.string());
    return bio;
}

}  // namespace

void writeSelfSignedCertificate(const std::filesystem::path& certificateFile,
                                const std::filesystem::path& keyFile) {
    // EC keys are made in microseconds; an RSA key would cost every test a noticeable pause.
    KeyPtr key(EVP_EC_gen("P-256"));
    if (!key) fail("EVP_EC_gen");
    const CertPtr cert = makeCertificate(key.get());

    const BioPtr keyOut = openForWriting(keyFile);
    check(PEM_write_bio_PrivateKey(keyOut.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr),
          "writing the key");
    const BioPtr certOut = openForWriting(certificateFile);
    check(PEM_write_bio_X509(certOut.get(), cert.get()), "writing the certificate");
}

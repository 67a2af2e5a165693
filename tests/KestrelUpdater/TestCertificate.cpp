#include "TestCertificate.h"

#include <QSslConfiguration>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace TestSupport {
namespace {

template <typename T, void (*Free)(T*)> using Owned = std::unique_ptr<T, decltype([](T* p) { Free(p); })>;

QByteArray pem(int (*write)(BIO*, void*), void* object)
{
    Owned<BIO, BIO_free_all> bio(BIO_new(BIO_s_mem()));
    write(bio.get(), object);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, size);
}

} // namespace

TestCertificate TestCertificate::make()
{
    Owned<EVP_PKEY, EVP_PKEY_free> key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    Owned<X509, X509_free> certificate(X509_new());
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 24 * 3600);
    X509_set_pubkey(certificate.get(), key.get());
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"),
                               -1, -1, 0);
    X509_set_issuer_name(certificate.get(), name);
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate.get(), certificate.get(), nullptr, nullptr, 0);
    for (const auto& [nid, value] : {std::pair{NID_subject_alt_name, "IP:127.0.0.1"},
                                     std::pair{NID_basic_constraints, "critical,CA:TRUE"}}) {
        Owned<X509_EXTENSION, X509_EXTENSION_free> extension(
            X509V3_EXT_conf_nid(nullptr, &context, nid, value));
        X509_add_ext(certificate.get(), extension.get(), -1);
    }
    X509_sign(certificate.get(), key.get(), EVP_sha256());

    TestCertificate made;
    made.certificate = QSslCertificate(
        pem([](BIO* bio, void* object) { return PEM_write_bio_X509(bio, static_cast<X509*>(object)); },
            certificate.get()));
    made.key = QSslKey(pem(
                           [](BIO* bio, void* object) {
                               return PEM_write_bio_PrivateKey(bio, static_cast<EVP_PKEY*>(object), nullptr,
                                                               nullptr, 0, nullptr, nullptr);
                           },
                           key.get()),
                       QSsl::Ec);
    return made;
}

void TestCertificate::trustInThisProcess() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(certificate);
    QSslConfiguration::setDefaultConfiguration(configuration);
}

} // namespace TestSupport

#include "Ed25519Signature.h"

#include <memory>
#include <openssl/evp.h>
#include <optional>

namespace KestrelUpdater {
namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct DigestDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

std::optional<QByteArray> strictBase64(const QByteArray& text)
{
    const auto decoded =
        QByteArray::fromBase64Encoding(text.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

} // namespace

bool verifyEd25519(const QByteArray& publicKeyBase64, const QByteArray& signatureBase64,
                   QByteArrayView message)
{
    const auto key = strictBase64(publicKeyBase64);
    const auto signature = strictBase64(signatureBase64);
    if (!key || !signature || key->size() != 32 || signature->size() != 64)
        return false;
    std::unique_ptr<EVP_PKEY, KeyDeleter> publicKey(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(key->constData()), key->size()));
    std::unique_ptr<EVP_MD_CTX, DigestDeleter> context(EVP_MD_CTX_new());
    if (!publicKey || !context)
        return false;
    if (EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, publicKey.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature->constData()),
                            signature->size(), reinterpret_cast<const unsigned char*>(message.data()),
                            size_t(message.size())) == 1;
}

} // namespace KestrelUpdater

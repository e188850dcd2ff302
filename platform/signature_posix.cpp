// ECDSA P-256 through OpenSSL 3's EVP interface. The raw r || s form is
// turned into the DER form that EVP verifies.
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>

#include "platform/signature.h"

namespace {

// Each owns one OpenSSL object and frees it however the check ends.
struct PublicKey {
    EVP_PKEY* key = nullptr;
    ~PublicKey() { EVP_PKEY_free(key); }
};
struct DerSignature {
    unsigned char* bytes = nullptr;
    int length = 0;
    ~DerSignature() { OPENSSL_free(bytes); }
};
struct DigestVerify {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~DigestVerify() { EVP_MD_CTX_free(context); }
};

// Builds the key from the point; OpenSSL refuses a point off the curve.
bool ImportPoint(const uint8_t (&point)[kP256PointBytes], PublicKey& out) {
    if (point[0] != 0x04) return false;
    char group[] = "prime256v1";
    unsigned char encoded[kP256PointBytes];
    for (int i = 0; i < kP256PointBytes; ++i) encoded[i] = point[i];
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, encoded, sizeof encoded),
        OSSL_PARAM_construct_end(),
    };
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
    const bool ok = context != nullptr && EVP_PKEY_fromdata_init(context) == 1 &&
                    EVP_PKEY_fromdata(context, &out.key, EVP_PKEY_PUBLIC_KEY, params) == 1;
    EVP_PKEY_CTX_free(context);
    return ok && out.key != nullptr;
}

bool ToDer(const uint8_t (&signature)[kP256SignatureBytes], DerSignature& out) {
    ECDSA_SIG* parts = ECDSA_SIG_new();
    BIGNUM* r = BN_bin2bn(signature, kP256SignatureBytes / 2, nullptr);
    BIGNUM* s = BN_bin2bn(signature + kP256SignatureBytes / 2, kP256SignatureBytes / 2, nullptr);
    const bool owned = parts != nullptr && r != nullptr && s != nullptr && ECDSA_SIG_set0(parts, r, s) == 1;
    if (!owned) {
        BN_free(r);
        BN_free(s);
    }
    out.length = owned ? i2d_ECDSA_SIG(parts, &out.bytes) : 0;
    ECDSA_SIG_free(parts);
    return out.length > 0;
}

}  // namespace

bool VerifyP256Signature(const uint8_t (&publicKey)[kP256PointBytes], const uint8_t* data, size_t size,
                         const uint8_t (&signature)[kP256SignatureBytes]) {
    if (data == nullptr && size > 0) return false;
    static const uint8_t kNothing = 0;
    if (data == nullptr) data = &kNothing;
    PublicKey key;
    DerSignature der;
    DigestVerify verify;
    if (!ImportPoint(publicKey, key) || !ToDer(signature, der) || verify.context == nullptr) return false;
    return EVP_DigestVerifyInit(verify.context, nullptr, EVP_sha256(), nullptr, key.key) == 1 &&
           EVP_DigestVerify(verify.context, der.bytes, static_cast<size_t>(der.length), data, size) == 1;
}

// The maker's side of the signed catalogue (host only, OpenSSL): write
// catalogue.json for a files folder, sign it, and check a folder as the
// program will. veltrane-catalogue and the tests share it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "firmware/signed_catalogue.h"

// What `sign` is asked for beyond the folder's files.
struct CatalogueOptions {
    int64_t version = 0;  // catalogueVersion, 1 or more
    std::string date;     // YYYY-MM-DD: the catalogue's date and every file's release date
    std::vector<std::pair<std::string, std::string>> floors;  // model, version ("RX93", "1_4")
    std::vector<std::pair<std::string, std::string>> notes;   // file name, English notes
};

// The public point of a PEM public key (or of a private key's pair). False,
// with `problem` set, when the file is not a P-256 key.
bool LoadCataloguePublicKey(const std::string& pemPath, CatalogueKey& out, std::string& problem);

// Signs `size` bytes with the P-256 private key in `pemPath`: ECDSA with
// SHA-256, as raw r || s. The signature is checked against the key's own
// point before it is returned.
bool SignWithPrivateKey(const std::string& pemPath, const uint8_t* data, size_t size,
                        uint8_t (&signature)[kP256SignatureBytes], std::string& problem);

// The catalogue text for the firmware files of `folder` that the program
// would recognise: every device of the naming rules that a file fits (by
// its name and its first line), with its size and SHA-256. Files left out
// are said in `notices`. False, with `problem` set, when the text would not
// be a catalogue the program reads.
bool BuildCatalogueText(const std::string& folder, const CatalogueOptions& options, std::string& text,
                        std::vector<std::string>& notices, std::string& problem);

// Writes catalogue.json and catalogue.json.sig into `folder`.
bool SignCatalogueFolder(const std::string& folder, const std::string& privateKeyPem, const CatalogueOptions& options,
                         std::vector<std::string>& notices, std::string& problem);

// Checks `folder` as the program will: the signature by one of `keys`, and
// every listed file against its size and SHA-256. Each problem is one plain
// sentence; none when all is well.
std::vector<std::string> VerifyCatalogueFolder(const std::string& folder, const std::vector<CatalogueKey>& keys);

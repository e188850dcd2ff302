// What the maker's signed catalogue says of the files folder, as the
// command line tells it: once a command, that the catalogue is ignored; and
// for each file `files` lists, signed or not, with its release date and notes.
#pragma once

#include "firmware/signed_catalogue.h"

struct CliSession;

// Reads the files folder's catalogue into the session. An ignored one is
// told once: a sentence on standard error, or a catalogue event with --json.
void ReadFilesCatalogue(CliSession& session);

// The verdict on the file `name` of the files folder for a device of
// `model`, from the session's catalogue and the file's bytes as they are now.
FileVerdict SignatureOfFile(CliSession& session, const char* name, const char* model);

// The signature column of `files`: "signed, released 2026-12-01",
// "unsigned", "not the maker's file", "below version 1_4 (the signed floor)".
void DescribeSignature(const FileVerdict& verdict, char* out, size_t size);

// The stable name of a verdict, for --json: "signed", "unsigned",
// "not_makers_file", "below_floor".
const char* SignatureName(FileSignature signature);

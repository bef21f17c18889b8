#pragma once

class MainWindowHost;
class TDataModule1;

// "Fichier > Exporter le carnet (FHIR)..." and "Fichier > Importer un
// carnet (FHIR)...".
namespace FhirCommands {
void installCommands(MainWindowHost& host, TDataModule1& dm1);
} // namespace FhirCommands

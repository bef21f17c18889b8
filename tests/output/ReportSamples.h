#pragma once

#include "HouseholdFixture.h"

// A household with everything the reports print, written straight into the tables.
namespace ReportSamples {
int addPerson(HouseholdFixture& household, const QString& name, const QString& foreName);
// `count` acts (tag 1) or purchases (tag 2) of 25.00 plus the act's number in
// cents; every third one reimbursed by both payers.
void addActs(int personId, int tag, int count, const QString& remark);
// Élodie with acts, purchases, vaccinations, weights and events; returns her Id.
int fillHousehold(HouseholdFixture& household, int acts);
} // namespace ReportSamples

-- Starting content of a new household database. Each statement ends with ';'
-- at the end of a line. Normal ranges of analyses vary from one laboratory to
-- another and are left at 0 for the user to fill in.

INSERT INTO OBJECT_VAL_STR (ID_CLASS, ID_ATTRIBUTE, USERID, VALUE) VALUES (-99, -99, -99, '3.54');

INSERT INTO CUSTOMLAB (Id_File, Misc01, Misc02, Misc03, Misc04, Misc05, Misc06, Misc07, Misc08, Misc09, Misc10, Misc11, Misc12)
VALUES (0, 'Médecin traitant', 'Mutuelle (n° adhérent)', 'Allergies', 'Groupe tissulaire', 'Personne à prévenir',
        'Téléphone à prévenir', 'Don d''organes', 'Divers 1', 'Divers 2', 'Divers 3', 'Notes', 'Traitements en cours');

INSERT INTO COMBOITEMS (Id_File, Location, Doctor_Category, BirthDay_City, Blood, Action_Gravity, Analysis_Unit,
                        Misc01, Misc02, Misc03, Misc04, Misc05, Misc06, Misc07, Misc08, Misc09, Misc10)
VALUES (0,
'Cabinet médical
Domicile
Hôpital
Clinique
Laboratoire
Pharmacie
Téléconsultation',
'Médecin généraliste
Pédiatre
Chirurgien-dentiste
Orthodontiste
Ophtalmologiste
Orthoptiste
Oto-rhino-laryngologiste (ORL)
Dermatologue
Gynécologue
Sage-femme
Cardiologue
Pneumologue
Gastro-entérologue
Rhumatologue
Neurologue
Psychiatre
Psychologue
Endocrinologue
Allergologue
Urologue
Radiologue
Chirurgien
Anesthésiste
Kinésithérapeute
Infirmier
Orthophoniste
Ostéopathe
Pédicure-podologue
Diététicien
Biologiste',
'',
'A+
A-
B+
B-
AB+
AB-
O+
O-',
'Bénigne
Modérée
Sérieuse
Grave
Urgence',
'g/L
mg/L
µg/L
ng/mL
pg/mL
mmol/L
µmol/L
g/dL
UI/L
mUI/L
%
G/L
T/L
fL
pg
mm/h
mL/min
s',
'', '', '', '', '', '', '', '', '', '');

-- Vaccines of the French vaccination schedule, with the usual timing as a reminder.
INSERT INTO LST_VACCINE (Id_File, Title, Description, Category) VALUES
(0, 'Hexavalent DTCaP-Hib-HepB', 'Diphtérie, tétanos, coqueluche, poliomyélite, Haemophilus influenzae b, hépatite B : nourrisson à 2, 4 et 11 mois', 'Obligatoire'),
(0, 'Pneumocoque conjugué', 'Infections à pneumocoque : nourrisson à 2, 4 et 11 mois', 'Obligatoire'),
(0, 'Méningocoque B', 'Infections invasives à méningocoque B : nourrisson à 3, 5 et 12 mois', 'Obligatoire'),
(0, 'Méningocoque ACWY', 'Infections invasives à méningocoques A, C, W et Y : nourrisson à 6 et 12 mois, rappel à l''adolescence', 'Obligatoire'),
(0, 'Méningocoque C', 'Infections invasives à méningocoque C (schéma antérieur à 2025)', 'Obligatoire'),
(0, 'ROR', 'Rougeole, oreillons, rubéole : 12 mois et 16 à 18 mois', 'Obligatoire'),
(0, 'Rotavirus', 'Gastro-entérites à rotavirus : nourrisson, par voie orale, à partir de 6 semaines', 'Recommandé'),
(0, 'DTCaP', 'Diphtérie, tétanos, coqueluche, poliomyélite : rappel à 6 ans', 'Recommandé'),
(0, 'dTcaP', 'Diphtérie, tétanos, coqueluche (doses réduites), poliomyélite : rappel entre 11 et 13 ans et à 25 ans', 'Recommandé'),
(0, 'dTP', 'Diphtérie, tétanos, poliomyélite : rappels de l''adulte à 45 et 65 ans, puis tous les 10 ans', 'Recommandé'),
(0, 'Hépatite B', 'Hépatite B : rattrapage de l''enfant et de l''adolescent, personnes exposées', 'Recommandé'),
(0, 'Papillomavirus (HPV)', 'Infections à papillomavirus humains : filles et garçons de 11 à 14 ans, rattrapage jusqu''à 26 ans', 'Recommandé'),
(0, 'BCG', 'Tuberculose : enfants exposés à un risque élevé', 'Recommandé'),
(0, 'Grippe saisonnière', 'Grippe : chaque automne dès 65 ans et pour les personnes à risque', 'Saisonnier'),
(0, 'Covid-19', 'Covid-19 : chaque automne dès 65 ans et pour les personnes à risque', 'Saisonnier'),
(0, 'Zona', 'Zona : adultes à partir de 65 ans', 'Recommandé'),
(0, 'Pneumocoque (adulte)', 'Infections à pneumocoque : adultes à risque et à partir de 65 ans', 'Recommandé'),
(0, 'VRS', 'Virus respiratoire syncytial : adultes à partir de 75 ans, ou de 65 ans avec facteurs de risque', 'Saisonnier'),
(0, 'Varicelle', 'Varicelle : adolescents et adultes non immunisés', 'Recommandé'),
(0, 'Hépatite A', 'Hépatite A : voyageurs et personnes exposées', 'Voyage'),
(0, 'Fièvre jaune', 'Fièvre jaune : voyage en zone d''endémie (Afrique, Amérique du Sud, Guyane)', 'Voyage'),
(0, 'Fièvre typhoïde', 'Fièvre typhoïde : voyage en zone à hygiène précaire', 'Voyage'),
(0, 'Encéphalite à tiques', 'Encéphalite à tiques : séjour en zone forestière d''Europe centrale et orientale', 'Voyage'),
(0, 'Rage', 'Rage : avant un séjour à risque, ou après une exposition', 'Voyage');

INSERT INTO LST_ANALYSIS (Id_File, Title, Description, Category, Unit, Decimal, Value_Min, Value_Max) VALUES
(0, 'Glycémie à jeun', 'Glucose sanguin à jeun', 'Biochimie', 'g/L', 2, 0, 0),
(0, 'Hémoglobine glyquée (HbA1c)', 'Équilibre glycémique des trois derniers mois', 'Biochimie', '%', 1, 0, 0),
(0, 'Cholestérol total', 'Bilan lipidique', 'Bilan lipidique', 'g/L', 2, 0, 0),
(0, 'Cholestérol HDL', 'Bilan lipidique', 'Bilan lipidique', 'g/L', 2, 0, 0),
(0, 'Cholestérol LDL', 'Bilan lipidique', 'Bilan lipidique', 'g/L', 2, 0, 0),
(0, 'Triglycérides', 'Bilan lipidique', 'Bilan lipidique', 'g/L', 2, 0, 0),
(0, 'Créatinine', 'Fonction rénale', 'Biochimie', 'mg/L', 1, 0, 0),
(0, 'Débit de filtration glomérulaire (DFG)', 'Fonction rénale estimée', 'Biochimie', 'mL/min', 0, 0, 0),
(0, 'Urée', 'Fonction rénale', 'Biochimie', 'g/L', 2, 0, 0),
(0, 'Acide urique', 'Uricémie', 'Biochimie', 'mg/L', 1, 0, 0),
(0, 'Sodium', 'Ionogramme sanguin', 'Biochimie', 'mmol/L', 0, 0, 0),
(0, 'Potassium', 'Ionogramme sanguin', 'Biochimie', 'mmol/L', 1, 0, 0),
(0, 'ALAT (TGP)', 'Transaminases, bilan hépatique', 'Bilan hépatique', 'UI/L', 0, 0, 0),
(0, 'ASAT (TGO)', 'Transaminases, bilan hépatique', 'Bilan hépatique', 'UI/L', 0, 0, 0),
(0, 'Gamma-GT', 'Gamma-glutamyl-transférase, bilan hépatique', 'Bilan hépatique', 'UI/L', 0, 0, 0),
(0, 'CRP', 'Protéine C réactive, marqueur d''inflammation', 'Inflammation', 'mg/L', 1, 0, 0),
(0, 'Vitesse de sédimentation', 'Marqueur d''inflammation', 'Inflammation', 'mm/h', 0, 0, 0),
(0, 'Hémoglobine', 'Numération formule sanguine', 'Hématologie', 'g/dL', 1, 0, 0),
(0, 'Hématocrite', 'Numération formule sanguine', 'Hématologie', '%', 1, 0, 0),
(0, 'Globules rouges', 'Numération formule sanguine (hématies)', 'Hématologie', 'T/L', 2, 0, 0),
(0, 'Globules blancs', 'Numération formule sanguine (leucocytes)', 'Hématologie', 'G/L', 2, 0, 0),
(0, 'Plaquettes', 'Numération formule sanguine', 'Hématologie', 'G/L', 0, 0, 0),
(0, 'VGM', 'Volume globulaire moyen', 'Hématologie', 'fL', 1, 0, 0),
(0, 'Ferritine', 'Réserves en fer', 'Hématologie', 'µg/L', 0, 0, 0),
(0, 'INR', 'Surveillance d''un traitement anticoagulant (antivitamine K)', 'Hématologie', '', 1, 0, 0),
(0, 'TSH', 'Hormone thyréostimulante, fonction thyroïdienne', 'Hormonologie', 'mUI/L', 2, 0, 0),
(0, 'Vitamine D (25-OH)', 'Statut en vitamine D', 'Vitamines', 'ng/mL', 0, 0, 0),
(0, 'PSA total', 'Antigène prostatique spécifique', 'Marqueurs', 'ng/mL', 2, 0, 0);

INSERT INTO LST_ILLNESS (Id_File, Title, Description, Category, Gravity) VALUES
(0, 'Rhinopharyngite', 'Rhume, infection virale du nez et de la gorge', 'ORL', 'Bénigne'),
(0, 'Angine', 'Inflammation des amygdales, virale ou bactérienne', 'ORL', 'Modérée'),
(0, 'Otite', 'Inflammation de l''oreille', 'ORL', 'Modérée'),
(0, 'Sinusite', 'Inflammation des sinus', 'ORL', 'Modérée'),
(0, 'Grippe', 'Infection par le virus de la grippe', 'Infectieux', 'Modérée'),
(0, 'Covid-19', 'Infection par le coronavirus SARS-CoV-2', 'Infectieux', 'Modérée'),
(0, 'Bronchite', 'Inflammation des bronches', 'Respiratoire', 'Modérée'),
(0, 'Bronchiolite', 'Infection virale des petites bronches du nourrisson', 'Respiratoire', 'Sérieuse'),
(0, 'Asthme', 'Maladie inflammatoire chronique des bronches', 'Respiratoire', 'Sérieuse'),
(0, 'Gastro-entérite', 'Infection du tube digestif (diarrhée, vomissements)', 'Digestif', 'Modérée'),
(0, 'Varicelle', 'Maladie éruptive due au virus varicelle-zona', 'Infectieux', 'Bénigne'),
(0, 'Conjonctivite', 'Inflammation de la conjonctive de l''oeil', 'Ophtalmologie', 'Bénigne'),
(0, 'Cystite', 'Infection urinaire basse', 'Urologie', 'Modérée'),
(0, 'Eczéma', 'Inflammation chronique de la peau', 'Dermatologie', 'Bénigne'),
(0, 'Allergie saisonnière', 'Rhinite allergique (rhume des foins)', 'Allergie', 'Bénigne'),
(0, 'Migraine', 'Maux de tête récurrents', 'Neurologie', 'Modérée'),
(0, 'Lombalgie', 'Douleur du bas du dos', 'Rhumatologie', 'Modérée'),
(0, 'Hypertension artérielle', 'Pression artérielle durablement élevée', 'Cardiovasculaire', 'Sérieuse'),
(0, 'Diabète de type 2', 'Excès durable de sucre dans le sang', 'Métabolisme', 'Sérieuse');

INSERT INTO LST_DRUG (Id_File, Title, Description, Category) VALUES
(0, 'Paracétamol', 'Antalgique et antipyrétique', 'Antalgique'),
(0, 'Ibuprofène', 'Anti-inflammatoire non stéroïdien, antalgique, antipyrétique', 'Anti-inflammatoire'),
(0, 'Amoxicilline', 'Antibiotique de la famille des pénicillines (sur ordonnance)', 'Antibiotique'),
(0, 'Sérum physiologique', 'Solution de chlorure de sodium à 0,9 % pour le lavage du nez et des yeux', 'Hygiène'),
(0, 'Soluté de réhydratation orale', 'Prévention de la déshydratation lors d''une diarrhée', 'Digestif');

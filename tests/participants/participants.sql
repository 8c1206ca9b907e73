-- Added to the provider tests' fixture: enrolments whose figures the participant screen tests know.
-- Period 2024-09-01 to 2025-06-30; CVO 20 (school 2) and VWO centre 30 (school 3).
INSERT INTO LEERLING VALUES (15, 'Claes', 'Mia', 'm', '1995-01-01', 0);
INSERT INTO LEERLING VALUES (16, 'Dubois', 'Sam', NULL, '1992-02-02', 262144);
INSERT INTO TRAJECT VALUES (102, 'TRAJ-ICT-GEVORD', 'ICT gevorderd');
INSERT INTO VESTIGINGSPLAATS VALUES (115, 20, 'abc', 'Annex');
-- A 26-character class code, at a branch of another institution, without teaching location.
INSERT INTO KLAS VALUES (124, 20, 2, NULL, 'ICTGEVORD1', 'ICT gevorderd', 102, 113, '', '2024-09-01', NULL);
INSERT INTO KLAS VALUES (125, 20, 2, NULL, 'ANX', 'Annex groep', NULL, 115, 'Sporthal', '2024-09-01', NULL);
-- Person 12 a second time in class 121, not financeable, with a credit-hour request.
INSERT INTO CURRICULUM VALUES (165, 12, 20, 121, 43, 131, 141, 702, NULL, '+', 25, NULL, 5002, 6005, '2024-10-01', NULL);
-- Sex 'm' (lower case) counts as a woman; no lesson hours of its own: the unit's 60.
INSERT INTO CURRICULUM VALUES (166, 15, 20, 124, 44, 132, 142, 701, 153, '+', 0, NULL, 5005, 6006, '2024-09-01', NULL);
-- No training: counted under training id 0.
INSERT INTO CURRICULUM VALUES (167, 16, 20, 125, 44, 132, NULL, 701, NULL, NULL, 10, NULL, 5006, 6007, '2024-09-01', NULL);

INSERT INTO VWOKLAS VALUES (202, 30, 3, 'VWO-K2', 'Klas Engels 2', 113, '2024-09-01', NULL);
INSERT INTO VWOINGMODULEVAR VALUES (272, 30, 241, 202, 251, 261, '2024-09-01', '2025-06-30');
INSERT INTO VWOINSCHRIJVING VALUES (293, 12, 30, 271, 211, 221, 282, 0, 8, 5007, 8002, '2024-09-01', NULL);
INSERT INTO VWOINSCHRIJVING VALUES (294, 12, 30, 272, 211, NULL, 282, 0, 5, 5007, 8003, '2024-09-01', NULL);
INSERT INTO VWOINSCHRIJVING VALUES (295, 15, 30, 272, 211, 221, 281, 0, 8, 5008, 8004, '2024-09-01', NULL);

-- The sample database behind the DBDEMOS alias: the classic sample tables with their usual
-- names, columns and types, and rows of our own. Declared types follow the engine's mapping
-- (docs/database.md): FLOAT is a Float field, MONEY Currency, VARCHAR(n) a String of n,
-- MEMO and GRAPHIC blobs, AUTOINC an auto-increment, TIMESTAMP a DateTime.
PRAGMA page_size = 4096;
BEGIN;

CREATE TABLE customer (
  CustNo FLOAT PRIMARY KEY,
  Company VARCHAR(30),
  Addr1 VARCHAR(30),
  Addr2 VARCHAR(30),
  City VARCHAR(15),
  State VARCHAR(20),
  Zip VARCHAR(10),
  Country VARCHAR(20),
  Phone VARCHAR(15),
  FAX VARCHAR(15),
  TaxRate FLOAT,
  Contact VARCHAR(20),
  LastInvoiceDate TIMESTAMP
);
CREATE INDEX ByCompany ON customer (Company);
INSERT INTO customer VALUES
  (1001, 'Harbour Lane Divers', '12 Harbour Lane', NULL, 'Portsmouth', 'Hampshire', 'PO1 2AB', 'United Kingdom', '023-555-0101', '023-555-0102', 0, 'Ada Marsh', '2025-03-14 10:30:00'),
  (1002, 'Coral Reach Supply', '4 Reef Road', 'Unit 7', 'Cairns', 'Queensland', '4870', 'Australia', '07-555-0133', NULL, 10, 'Ben Okafor', '2025-06-02 09:00:00'),
  (1003, 'Blue Fathom Outfitters', '88 Dockside', NULL, 'Halifax', 'Nova Scotia', 'B3H 1A1', 'Canada', '902-555-0177', '902-555-0178', 15, 'Chloe Varga', '2025-01-20 16:45:00'),
  (1004, 'Kelp Garden Tours', '3 Pier Street', NULL, 'Monterey', 'CA', '93940', 'US', '831-555-0190', NULL, 7.25, 'Dmitri Lane', '2024-11-30 12:00:00'),
  (1005, 'Saltwind Expeditions', '21 Strand', NULL, 'Galway', NULL, 'H91', 'Ireland', '091-555-0121', NULL, 0, 'Eve Donnelly', '2025-08-08 08:15:00');

CREATE TABLE employee (
  EmpNo INTEGER PRIMARY KEY,
  LastName VARCHAR(20),
  FirstName VARCHAR(15),
  PhoneExt VARCHAR(4),
  HireDate TIMESTAMP,
  Salary FLOAT
);
CREATE INDEX ByName ON employee (LastName, FirstName);
INSERT INTO employee VALUES
  (2, 'Ashby', 'Rowan', '250', '2019-02-11 00:00:00', 52000),
  (4, 'Brandt', 'Ines', '233', '2020-07-01 00:00:00', 48500),
  (5, 'Castell', 'Mika', '22', '2018-10-15 00:00:00', 61000),
  (8, 'Delaney', 'Tom', '410', '2022-04-04 00:00:00', 39900);

CREATE TABLE orders (
  OrderNo FLOAT PRIMARY KEY,
  CustNo FLOAT NOT NULL,
  SaleDate TIMESTAMP,
  ShipDate TIMESTAMP,
  EmpNo INTEGER,
  ShipToContact VARCHAR(20),
  ShipToAddr1 VARCHAR(30),
  ShipToAddr2 VARCHAR(30),
  ShipToCity VARCHAR(15),
  ShipToState VARCHAR(20),
  ShipToZip VARCHAR(10),
  ShipToCountry VARCHAR(20),
  ShipToPhone VARCHAR(15),
  ShipVIA VARCHAR(7),
  PO VARCHAR(15),
  Terms VARCHAR(6),
  PaymentMethod VARCHAR(7),
  ItemsTotal MONEY,
  TaxRate FLOAT,
  Freight MONEY,
  AmountPaid MONEY
);
CREATE INDEX CustNo ON orders (CustNo);
INSERT INTO orders (OrderNo, CustNo, SaleDate, ShipDate, EmpNo, ShipVIA, PO, Terms, PaymentMethod, ItemsTotal, TaxRate, Freight, AmountPaid) VALUES
  (5001, 1001, '2025-03-14 10:30:00', '2025-03-16 09:00:00', 2, 'UPS', 'PO-1', 'Net 30', 'Check', 412.5, 0, 12, 424.5),
  (5002, 1001, '2025-04-01 11:00:00', NULL, 4, 'FedEx', NULL, 'COD', 'Cash', 99.95, 0, 8, 0),
  (5003, 1002, '2025-06-02 09:00:00', '2025-06-05 14:00:00', 5, 'DHL', 'R-77', 'Net 30', 'Credit', 1250, 10, 40, 1415),
  (5004, 1003, '2025-01-20 16:45:00', '2025-01-22 10:00:00', 2, 'UPS', NULL, 'Net 30', 'Check', 310, 15, 15, 371.5);

CREATE TABLE vendors (
  VendorNo FLOAT PRIMARY KEY,
  VendorName VARCHAR(30),
  Address1 VARCHAR(30),
  Address2 VARCHAR(30),
  City VARCHAR(20),
  State VARCHAR(20),
  Zip VARCHAR(10),
  Country VARCHAR(15),
  Phone VARCHAR(15),
  FAX VARCHAR(15),
  Preferred BOOLEAN
);
INSERT INTO vendors VALUES
  (3001, 'Deepline Manufacturing', '9 Forge Way', NULL, 'Leeds', NULL, 'LS1 4XY', 'United Kingdom', '0113-555-0100', NULL, 1),
  (3002, 'Tidewater Optics', '55 Lens Court', NULL, 'Osaka', NULL, '530-0001', 'Japan', '06-555-0142', NULL, 0);

CREATE TABLE parts (
  PartNo FLOAT PRIMARY KEY,
  VendorNo FLOAT,
  Description VARCHAR(30),
  OnHand FLOAT,
  OnOrder FLOAT,
  Cost MONEY,
  ListPrice MONEY
);
CREATE INDEX ByVendor ON parts (VendorNo);
INSERT INTO parts VALUES
  (900, 3001, 'Dive knife, titanium', 14, 0, 21.5, 45),
  (912, 3001, 'Weight belt', 30, 10, 8.25, 19.95),
  (1313, 3002, 'Mask, low volume', 22, 5, 17, 39.5),
  (1320, 3002, 'Dive computer', 6, 6, 180, 349);

CREATE TABLE items (
  OrderNo FLOAT,
  ItemNo FLOAT,
  PartNo FLOAT,
  Qty INTEGER,
  Discount FLOAT,
  PRIMARY KEY (OrderNo, ItemNo)
);
CREATE INDEX ByPartNo ON items (PartNo);
INSERT INTO items VALUES
  (5001, 1, 900, 5, 0), (5001, 2, 912, 10, 5), (5002, 1, 1313, 2, 0),
  (5003, 1, 1320, 3, 10), (5004, 1, 1313, 8, 0);

CREATE TABLE country (
  Name VARCHAR(24) PRIMARY KEY,
  Capital VARCHAR(24),
  Continent VARCHAR(24),
  Area FLOAT,
  Population FLOAT
);
INSERT INTO country VALUES
  ('Argentina', 'Buenos Aires', 'South America', 2777815, 32300003),
  ('Canada', 'Ottawa', 'North America', 9976147, 26500000),
  ('Norway', 'Oslo', 'Europe', 385207, 5400000),
  ('Kenya', 'Nairobi', 'Africa', 580367, 47600000);

CREATE TABLE venues (
  VenueNo AUTOINC PRIMARY KEY,
  Venue VARCHAR(30),
  Capacity INTEGER,
  Venue_Map GRAPHIC,
  Remarks MEMO(40)
);
INSERT INTO venues VALUES
  (1, 'Harbour Hall', 1200, NULL, 'Seats on three sides'),
  (2, 'Lakeside Arena', 8000, NULL, NULL);

CREATE TABLE events (
  EventNo AUTOINC PRIMARY KEY,
  VenueNo INTEGER,
  Event_Name VARCHAR(30),
  Event_Date DATE,
  Event_Time TIME,
  Event_Description MEMO(50),
  Ticket_price MONEY,
  Event_Photo GRAPHIC
);
CREATE INDEX ByDate ON events (Event_Date);
INSERT INTO events VALUES
  (1, 1, 'Spring Regatta Night', '2025-04-12', '19:30:00', 'Boats, lanterns and a brass band.', 12.5, NULL),
  (2, 2, 'Indoor Rowing Final', '2025-05-03', '14:00:00', NULL, 20, NULL),
  (3, 1, 'Sea Shanty Evening', '2025-06-21', '20:00:00', 'Sing along.', 8, NULL);

CREATE TABLE biolife (
  "Species No" FLOAT PRIMARY KEY,
  Category VARCHAR(15),
  Common_Name VARCHAR(30),
  "Species Name" VARCHAR(40),
  "Length (cm)" FLOAT,
  Length_In FLOAT,
  Notes MEMO(50),
  Graphic GRAPHIC
);
INSERT INTO biolife VALUES
  (90010, 'Wrasse', 'Cleaner wrasse', 'Labroides dimidiatus', 14, 5.51, 'Keeps a cleaning station on the reef.',
   X'424D3A0000000000000036000000280000000100000001000000010018000000000004000000130B0000130B00000000000000000000C85A1E00'),
  (90020, 'Angelfish', 'Emperor angelfish', 'Pomacanthus imperator', 40, 15.75, NULL,
   X'424D3A0000000000000036000000280000000100000001000000010018000000000004000000130B0000130B000000000000000000001478DC00'),
  (90030, 'Grouper', 'Coral grouper', 'Cephalopholis miniata', 45, 17.72, 'Shy; hides in caves by day.',
   X'424D3A0000000000000036000000280000000100000001000000010018000000000004000000130B0000130B000000000000000000003CA01400');

CREATE TABLE animals (
  NAME VARCHAR(10),
  SIZE SMALLINT,
  WEIGHT SMALLINT,
  AREA VARCHAR(20),
  BMP GRAPHIC
);
INSERT INTO animals VALUES ('Otter', 90, 10, 'Rivers', NULL), ('Heron', 95, 2, 'Wetlands', NULL);

CREATE TABLE clients (
  LAST_NAME VARCHAR(20),
  FIRST_NAME VARCHAR(20),
  ACCT_NBR FLOAT PRIMARY KEY,
  ADDRESS_1 VARCHAR(30),
  CITY VARCHAR(20),
  STATE VARCHAR(2),
  ZIP VARCHAR(5),
  TELEPHONE VARCHAR(12),
  DATE_OPEN DATE,
  SS_NUMBER FLOAT,
  PICTURE VARCHAR(15),
  BIRTH_DATE DATE,
  RISK_LEVEL VARCHAR(8),
  OCCUPATION VARCHAR(20),
  OBJECTIVES VARCHAR(10),
  INTERESTS VARCHAR(120),
  IMAGE GRAPHIC
);
INSERT INTO clients (LAST_NAME, FIRST_NAME, ACCT_NBR, CITY, STATE, DATE_OPEN, RISK_LEVEL) VALUES
  ('Ng', 'Lena', 7001, 'Boise', 'ID', '2021-05-01', 'LOW'),
  ('Ortiz', 'Sam', 7002, 'Tulsa', 'OK', '2022-09-12', 'MED');

CREATE TABLE holdings (
  ACCT_NBR FLOAT,
  SYMBOL VARCHAR(7),
  SHARES FLOAT,
  PUR_PRICE FLOAT,
  PUR_DATE DATE
);
CREATE INDEX ByAccount ON holdings (ACCT_NBR);
INSERT INTO holdings VALUES (7001, 'KELP', 100, 12.5, '2023-01-03'), (7002, 'TIDE', 40, 88, '2023-06-30');

CREATE TABLE industry (
  IND_CODE SMALLINT PRIMARY KEY,
  IND_NAME VARCHAR(20),
  LONG_NAME VARCHAR(40)
);
INSERT INTO industry VALUES (1, 'Marine', 'Marine equipment and services'), (2, 'Leisure', 'Leisure and tourism');

CREATE TABLE master (
  SYMBOL VARCHAR(7) PRIMARY KEY,
  CO_NAME VARCHAR(20),
  EXCHANGE VARCHAR(4),
  CUR_PRICE FLOAT,
  YRL_HIGH FLOAT,
  YRL_LOW FLOAT,
  IND_CODE SMALLINT
);
INSERT INTO master VALUES ('KELP', 'Kelp Garden Tours', 'NYSE', 14.1, 16, 11.2, 2), ('TIDE', 'Tidewater Optics', 'OTC', 91.3, 99, 70.5, 1);

CREATE TABLE custoly (
  CustNo AUTOINC PRIMARY KEY,
  Last_Name VARCHAR(20),
  First_Name VARCHAR(15),
  VIP_Status BOOLEAN,
  Address1 VARCHAR(30),
  Address2 VARCHAR(30),
  City VARCHAR(20),
  "State/Prov" VARCHAR(15),
  Post_Code VARCHAR(12),
  Country VARCHAR(20),
  Phone VARCHAR(15),
  Fax VARCHAR(15),
  EMail VARCHAR(50),
  Remarks MEMO(50)
);
CREATE INDEX ByLastName ON custoly (Last_Name, First_Name);
INSERT INTO custoly VALUES
  (1, 'Ferreira', 'Ana', NULL, '7 Quay Street', NULL, 'Porto', NULL, '4050-001', 'Portugal', '22-555-0140', NULL, 'ana@example.org', 'Prefers aisle seats'),
  (2, 'Holm', 'Jonas', NULL, '19 Birch Road', 'Flat 2', 'Bergen', NULL, '5003', 'Norway', '55-555-0199', NULL, NULL, NULL);

CREATE TABLE reservat (
  ResNo AUTOINC PRIMARY KEY,
  EventNo INTEGER,
  CustNo INTEGER,
  NumTick INTEGER,
  Amt_Paid MONEY,
  Pay_Method VARCHAR(7),
  Card_No VARCHAR(20),
  Card_Exp DATE,
  Pay_Notes MEMO(50),
  Purge_Date DATE,
  Paid BOOLEAN
);
CREATE INDEX ByEvent ON reservat (EventNo);
CREATE INDEX ByCustomer ON reservat (CustNo);
INSERT INTO reservat VALUES
  (1, 1, 1, 2, 25, 'Visa', NULL, NULL, NULL, '2025-05-12', NULL),
  (2, 3, 2, 4, 32, 'Cash', NULL, NULL, 'Paid at the door', '2025-07-21', NULL);

CREATE TABLE nextcust (NewCust FLOAT);
INSERT INTO nextcust VALUES (1006);
CREATE TABLE nextord (NewKey FLOAT);
INSERT INTO nextord VALUES (5005);
CREATE TABLE nextitem (NewKey FLOAT);
INSERT INTO nextitem VALUES (6);

CREATE VIEW customer_orders AS
  SELECT c.CustNo, c.Company, o.OrderNo, o.SaleDate, o.AmountPaid FROM customer c JOIN orders o ON o.CustNo = c.CustNo;

COMMIT;

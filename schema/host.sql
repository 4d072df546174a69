-- The host application's database as Dunmerrow reads it, in SQLite.
-- Storage: text NOCASE (codes compare without regard to case, as the host's
-- engine does), dates as 'YYYY-MM-DD HH:MM:SS', yes/no as -1/0, money as REAL.

CREATE TABLE options (
  options_id INTEGER PRIMARY KEY,
  CompanyName TEXT COLLATE NOCASE,
  Address1 TEXT COLLATE NOCASE,
  Address2 TEXT COLLATE NOCASE,
  Address3 TEXT COLLATE NOCASE,
  PrintName YESNO INTEGER DEFAULT 0 CHECK (PrintName IN (-1, 0)),
  PrintAddress YESNO INTEGER DEFAULT 0 CHECK (PrintAddress IN (-1, 0)),
  TaxExpense YESNO INTEGER DEFAULT 0 CHECK (TaxExpense IN (-1, 0)),
  TaxIncome YESNO INTEGER DEFAULT 0 CHECK (TaxIncome IN (-1, 0)),
  TaxDisburse YESNO INTEGER DEFAULT 0 CHECK (TaxDisburse IN (-1, 0)),
  Rent_Group TEXT COLLATE NOCASE,
  WhatPaysFirst SMALLINT DEFAULT 0
);

CREATE TABLE owner (
  code TEXT COLLATE NOCASE PRIMARY KEY,
  name TEXT COLLATE NOCASE,
  postal1 TEXT COLLATE NOCASE,
  postal2 TEXT COLLATE NOCASE,
  postal3 TEXT COLLATE NOCASE,
  street1 TEXT COLLATE NOCASE,
  street2 TEXT COLLATE NOCASE,
  street3 TEXT COLLATE NOCASE,
  email TEXT COLLATE NOCASE
);

CREATE TABLE property (
  code TEXT COLLATE NOCASE PRIMARY KEY,
  ownercode TEXT COLLATE NOCASE,
  Address1 TEXT COLLATE NOCASE,
  Address2 TEXT COLLATE NOCASE,
  [sale value] CURRENCY REAL DEFAULT 0
);

CREATE TABLE tenancy (
  reference TEXT COLLATE NOCASE PRIMARY KEY,
  [property code] TEXT COLLATE NOCASE,
  name TEXT COLLATE NOCASE,
  [current rent] CURRENCY REAL,
  every_amt SMALLINT,
  every_freq TEXT COLLATE NOCASE,
  closed_yn YESNO INTEGER DEFAULT 0 CHECK (closed_yn IN (-1, 0)),
  [when ended] DATETIME TEXT
    CHECK ([when ended] GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]')
);

CREATE TABLE rent_periods (
  rent_period_id INTEGER PRIMARY KEY,
  tenant_code TEXT COLLATE NOCASE,
  period_from DATETIME TEXT
    CHECK (period_from GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'),
  period_to DATETIME TEXT
    CHECK (period_to GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'),
  rent_due CURRENCY REAL,
  extra_charges CURRENCY REAL DEFAULT 0
);

CREATE TABLE glcodes (
  glcode_id INTEGER PRIMARY KEY,
  gl_code TEXT COLLATE NOCASE,
  description TEXT COLLATE NOCASE,
  taxable_yn YESNO INTEGER DEFAULT 0 CHECK (taxable_yn IN (-1, 0)),
  type SMALLINT,
  BankBalance CURRENCY REAL DEFAULT 0,
  BalanceDate DATETIME TEXT
    CHECK (BalanceDate GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'),
  exclude_cashflow YESNO INTEGER DEFAULT 0 CHECK (exclude_cashflow IN (-1, 0)),
  exclude_pl YESNO INTEGER DEFAULT 0 CHECK (exclude_pl IN (-1, 0)),
  exclude_disburse YESNO INTEGER DEFAULT 0 CHECK (exclude_disburse IN (-1, 0)),
  pay_to_owner YESNO INTEGER DEFAULT 0 CHECK (pay_to_owner IN (-1, 0)),
  pay_extra_charges YESNO INTEGER DEFAULT 0 CHECK (pay_extra_charges IN (-1, 0))
);

CREATE TABLE Revenues (
  revenue_id INTEGER PRIMARY KEY,
  tenant_code TEXT COLLATE NOCASE,
  [property code] TEXT COLLATE NOCASE,
  Date DATETIME TEXT
    CHECK (Date GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'),
  Amount CURRENCY REAL,
  tax CURRENCY REAL DEFAULT 0,
  counter_gl TEXT COLLATE NOCASE,
  [Revenue Group] TEXT COLLATE NOCASE,
  description MEMO TEXT COLLATE NOCASE,
  [Your Reference] TEXT COLLATE NOCASE
);

CREATE TABLE Expenses (
  expense_id INTEGER PRIMARY KEY,
  [property code] TEXT COLLATE NOCASE,
  Date DATETIME TEXT
    CHECK (Date GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'),
  Amount CURRENCY REAL,
  tax CURRENCY REAL DEFAULT 0,
  [Expense Group] TEXT COLLATE NOCASE,
  counter_gl TEXT COLLATE NOCASE,
  description MEMO TEXT COLLATE NOCASE,
  [Your Reference] TEXT COLLATE NOCASE,
  Payee TEXT COLLATE NOCASE
);

CREATE TABLE disbursement (
  recordnumber INTEGER PRIMARY KEY,
  owner TEXT COLLATE NOCASE,
  date DATETIME TEXT
    CHECK (date GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'),
  amount CURRENCY REAL,
  fees CURRENCY REAL DEFAULT 0,
  tax CURRENCY REAL DEFAULT 0,
  reserve_taken CURRENCY REAL DEFAULT 0,
  note MEMO TEXT COLLATE NOCASE
);

CREATE TABLE extra_fees (
  extra_fee_id INTEGER PRIMARY KEY,
  disburse_id INTEGER,
  date DATETIME TEXT
    CHECK (date GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'),
  description TEXT COLLATE NOCASE,
  value CURRENCY REAL,
  tax CURRENCY REAL DEFAULT 0
);

CREATE TABLE notes (
  note_id INTEGER PRIMARY KEY,
  note_type SMALLINT,
  parent_code TEXT COLLATE NOCASE,
  on_owner YESNO INTEGER DEFAULT 0 CHECK (on_owner IN (-1, 0)),
  note MEMO TEXT COLLATE NOCASE
);

-- One index for each query the component runs.
CREATE INDEX disbursement_by_date ON disbursement (date, owner);
CREATE INDEX disbursement_by_owner ON disbursement (owner, date);
CREATE INDEX extra_fees_by_disbursement ON extra_fees (disburse_id);
CREATE INDEX property_by_owner ON property (ownercode, [sale value]);
CREATE INDEX tenancy_by_property ON tenancy ([property code], closed_yn);
CREATE INDEX rent_periods_by_tenant ON rent_periods (tenant_code, period_from);
CREATE INDEX revenues_by_property ON Revenues ([property code], Date);
CREATE INDEX revenues_by_tenant ON Revenues (tenant_code, [Revenue Group], Date);
CREATE INDEX expenses_by_property ON Expenses ([property code], Date);
CREATE INDEX glcodes_by_code ON glcodes (gl_code, type);
CREATE INDEX notes_by_parent ON notes (note_type, parent_code);

CREATE VIEW extra_fees_view AS
  SELECT disburse_id, date, description, value, tax FROM extra_fees;

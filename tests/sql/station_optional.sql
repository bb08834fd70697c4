-- Columns that newer station databases have; the exports probe for them and widen their
-- layouts when present. Run after station_schema.sql.

-- Sale log: tank, second counterparty, dispenser and the density measured at the dispenser.
ALTER TABLE LOGTRAN ADD SILONUM SMALLINT;
ALTER TABLE LOGTRAN ADD ID2CNT INTEGER;
ALTER TABLE LOGTRAN ADD TRKNUM SMALLINT;
ALTER TABLE LOGTRAN ADD TRKDENSITY NUMERIC(9, 4);

-- Receipts: the cash register's client number, the sale they belong to, the register.
ALTER TABLE BCHECK ADD CLIENT INTEGER;
ALTER TABLE BCHECK ADD INDEXSALE INTEGER;
ALTER TABLE BCHECK ADD KKM SMALLINT;
CREATE INDEX IX_BCHECK_SALE ON BCHECK (INDEXSALE);

-- Nozzles with a second (mechanical) counter pair.
ALTER TABLE SMTRK ADD TRK2BEG NUMERIC(15, 2);
ALTER TABLE SMTRK ADD TRK2END NUMERIC(15, 2);

-- Receipts with supplier and waybill data, and the drain point.
ALTER TABLE PRX ADD CONTR_ID INTEGER;
ALTER TABLE PRX ADD TTNDATA DATE;
ALTER TABLE PRX ADD TTNNUM VARCHAR(20);
ALTER TABLE PRX ADD NAMESLIV VARCHAR(30);

COMMIT;
